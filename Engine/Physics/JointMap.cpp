#include "Engine/Physics/JointMap.h"

#include <unordered_set>
#include <utility>

#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"

void JointMap::add_body(EntityId entity, Transform& transform, PhysicsBody& body) {
    for (const JointLink& link : body.joints) {
        const JointEnd end{entity, &transform, &body,
                           rotate_scaled_offset(link.local_anchor, glm::vec2(0.0f), transform.scale, body.angle)};
        auto [it, inserted] = m_joints.try_emplace(link.joint_id);
        if (inserted) {
            it->second.end_a = end;
        } else {
            it->second.end_b = end;
        }
    }
}

std::vector<PrunedJoint> JointMap::prune_dangling() {
    std::vector<PrunedJoint> pruned;
    for (auto& [id, ends] : m_joints) {
        if (ends.end_a.present() && ends.end_b.present()) {
            continue;
        }
        const JointEnd& survivor = ends.end_a.present() ? ends.end_a : ends.end_b;
        if (survivor.present()) {
            survivor.body->remove_link(id);
        }
        pruned.push_back(PrunedJoint{survivor.entity, id});
    }
    for (const PrunedJoint& p : pruned) {
        m_joints.erase(p.joint_id);
    }
    return pruned;
}

void JointMap::remove_body(const PhysicsBody& body) {
    for (const JointLink& link : body.joints) {
        m_joints.erase(link.joint_id);
    }
}

const JointEnds* JointMap::find(uint32_t joint_id) const {
    auto it = m_joints.find(joint_id);
    return it == m_joints.end() ? nullptr : &it->second;
}

std::vector<EntityId> JointMap::connected_bodies(const PhysicsBody& start) const {
    std::vector<std::pair<const PhysicsBody*, uint32_t>> stack;
    std::unordered_set<uint32_t> visited;
    std::unordered_set<EntityId> reached;
    std::vector<EntityId> result;
    auto reach = [&](const EntityId& id) {
        if (reached.insert(id).second) {
            result.push_back(id);
        }
    };
    for (const JointLink& link : start.joints) {
        stack.emplace_back(&start, link.joint_id);
    }
    while (!stack.empty()) {
        const auto [body, id] = stack.back();
        stack.pop_back();
        if (!visited.insert(id).second) {
            continue;
        }
        const JointEnds* ends = find(id);
        if (ends == nullptr) {
            continue;
        }
        if (ends->end_a.present()) {
            reach(ends->end_a.entity);
        }
        if (ends->end_b.present()) {
            reach(ends->end_b.entity);
        }
        const JointEnd& other = ends->end_a.body == body ? ends->end_b : ends->end_a;
        if (other.present()) {
            for (const JointLink& link : other.body->joints) {
                stack.emplace_back(other.body, link.joint_id);
            }
        }
    }
    return result;
}
