#pragma once
// The joints of a scene, rebuilt every fixed step from the links that bodies carry: joint id -> its two ends.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"

struct Transform;
class PhysicsBody;

// One side of a joint; present when its body is set.
struct JointEnd {
    EntityId entity = kInvalidEntityId;
    Transform* transform = nullptr;
    PhysicsBody* body = nullptr;
    glm::vec2 anchor_offset{0.0f}; // world-space offset of the anchor from the body's position

    bool present() const { return body != nullptr; }
};

struct JointEnds {
    JointEnd end_a;
    JointEnd end_b;
};

// A joint that lost one of its bodies: the survivor and the id it no longer carries.
struct PrunedJoint {
    EntityId entity = kInvalidEntityId;
    uint32_t joint_id = 0;
};

class JointMap {
public:
    using Map = std::unordered_map<uint32_t, JointEnds>;

    // Enters every link of the body: the first body seen for an id becomes end_a, a later one end_b.
    void add_body(EntityId entity, Transform& transform, PhysicsBody& body);
    void clear() { m_joints.clear(); }
    // Drops every joint with one end only; the survivor loses its link. Reports each such joint once.
    std::vector<PrunedJoint> prune_dangling();
    // Forgets every joint the body takes part in (the body is going away).
    void remove_body(const PhysicsBody& body);
    // Every entity reachable from start through joints, each once; start itself only when it is in a joint.
    std::vector<EntityId> connected_bodies(const PhysicsBody& start) const;

    const JointEnds* find(uint32_t joint_id) const;
    const Map& joints() const { return m_joints; }
    size_t size() const { return m_joints.size(); }

private:
    Map m_joints;
};
