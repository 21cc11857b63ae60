#pragma once
// State of the enemy AI systems. Plain records; the systems own the behaviour. Each record carries the inspector's
// section title and its row labels.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"

struct AiBase {
    static constexpr std::string_view kName = "AiBase";

    float period = 0.0f;
    float timer = 0.0f;
};

struct AiBomb {
    static constexpr std::string_view kName = "AiBomb";
    static constexpr std::array<std::string_view, 5> kLabels = {"Turn Strength", "Speed", "Start Radius", "Exploding",
                                                                "Thrown"};

    float period = 0.3f;
    float timer = 0.0f;
    float turn_strength = 4.0f;
    float speed = 3.0f;
    float start_radius = 3.0f;
    uint8_t exploding = 0;
    uint8_t thrown = 0;
    float fuse = 2.0f;
    float fuse_timer = 0.0f;
};

struct AiWaypoint {
    glm::vec2 position{0.0f, 0.0f};
    float radius = 0.0f;
};

struct AiDriver {
    static constexpr std::string_view kName = "AiDriver";
    // "Max Turn" and "Desired Heading" are angles; the waypoint rows show only while one is set.
    static constexpr std::array<std::string_view, 8> kLabels = {
        "Max Speed", "Max Accel", "Max Turn", "Desired Speed", "Desired Heading", "Waypoint", "Position", "Radius"};

    float max_speed = 4.0f;
    float max_accel = 4.0f;
    float max_turn = 0.4f;
    float desired_speed = 0.0f;
    float desired_heading = 0.0f;
    std::optional<AiWaypoint> waypoint;
};

// Marks an entity for the fighter AI; no system reads the values.
struct AiFighter {
    static constexpr std::string_view kName = "AiFighter";

    float value0 = 2.0f;
    float value1 = 0.0f;
    float value2 = 0.0f;
};

struct AiFlocker {
    static constexpr std::string_view kName = "AiFlocker";
    // "Target" and "Follow Entity" show only while set.
    static constexpr std::array<std::string_view, 5> kLabels = {"Neighbor Radius", "Random Bias", "Escape Vector",
                                                                "Target", "Follow Entity"};

    float neighbor_radius = 5.0f;
    float random_bias = 0.0f;
    glm::vec2 escape_vector{0.0f, 0.0f};
    std::optional<glm::vec2> target;
    std::optional<EntityId> follow_entity;
};

struct AiForceMover {
    static constexpr std::string_view kName = "AiForceMover";
    static constexpr std::array<std::string_view, 4> kLabels = {"Max Speed", "Max Impulse", "Capture Radius", "Goal"};

    float max_speed = 1.0f;
    float max_impulse = 1.0f;
    float capture_radius = 5.0f;
    glm::vec2 goal{0.0f, 0.0f};
};

struct AiGoal {
    static constexpr std::string_view kName = "AiGoal";
    static constexpr std::array<std::string_view, 1> kLabels = {"Goal Position"};

    glm::vec2 goal_position{0.0f, 0.0f};
};

struct AiStation {
    static constexpr std::string_view kName = "AiStation";
    static constexpr std::array<std::string_view, 1> kLabels = {"Spawn Origin"};

    glm::vec2 spawn_origin{-0.296862f, -0.296177f}; // station-local, the hangar
    float spawn_interval = 4.0f;
    float spawn_timer = 0.0f;
    uint32_t unused = 0;
    float period = 0.0f; // seconds between goal re-draws
    float timer = 0.0f;
};

struct AiThrowable {
    static constexpr std::string_view kName = "AiThrowable";
    static constexpr std::array<std::string_view, 2> kLabels = {"Being Held", "Thrown"};

    uint8_t being_held = 0;
    uint8_t thrown = 0;
};

// One body a thrower holds.
struct AiThrowerHeld {
    EntityId entity = kInvalidEntityId;
    glm::vec2 goal{0.0f, 0.0f};
    float hold_time = 3.0f;
    float hold_timer = 0.0f;
    float throw_time = 1.0f;
    float throw_timer = 0.0f;
    uint8_t throwing = 0;
};

struct AiThrower {
    static constexpr std::string_view kName = "AiThrower";
    // "Max Holding" is read-only; each held entry shows "Entity", "Goal" and "Throwing".
    static constexpr std::array<std::string_view, 4> kLabels = {"Origin", "Radius", "Throw Radius", "Max Holding"};
    static constexpr std::array<std::string_view, 3> kHeldLabels = {"Entity", "Goal", "Throwing"};

    glm::vec2 origin{0.0f, 0.0f};
    float radius = 3.5f;
    float throw_radius = 18.0f;
    uint32_t max_holding = 5;
    std::vector<AiThrowerHeld> held;
};

struct PlayArea {
    static constexpr std::string_view kName = "PlayArea";
    static constexpr std::array<std::string_view, 2> kLabels = {"Center", "Extent"};

    glm::vec2 center{0.0f, 0.0f};
    glm::vec2 extent{0.0f, 0.0f};
};
