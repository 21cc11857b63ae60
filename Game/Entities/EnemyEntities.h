#pragma once
// The five enemy kinds. EnemyTag comes first in every enemy record.

#include <array>
#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/SpriteBodyMarker.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"
#include "Game/Components/Tags.h"
#include "Game/Components/Weapon.h"

struct BombEntity {
    EnemyTag enemy;
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    SpriteBodyMarker marker;
    AiThrowable throwable;
    AiBomb bomb;
};

struct FighterEntity {
    EnemyTag enemy;
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    AiFlocker flocker;
    AiDriver driver;
    AiFighter fighter;
    Weapon weapon;
};

struct StationEntity {
    EnemyTag enemy;
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    AiStation station;
    AiFlocker flocker;
    AiForceMover force_mover;
};

struct BaseEntity {
    EnemyTag enemy;
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    AiBase base;
    AiThrower thrower;
    AiForceMover force_mover;
};

// The Boss1 outline, a closed polygon in the boss's local space.
inline constexpr std::array<glm::vec2, 37> kBoss1Outline = {{
    {0.6756315f, 1.1262386f},   {0.4258760f, 0.8969560f},   {0.2600227f, 1.0456681f},   {0.0442639f, 1.1716946f},
    {-0.2096869f, 1.2270447f},  {-0.4665207f, 1.1968085f},  {-0.6975491f, 1.1001508f},  {-0.8953645f, 0.9669290f},
    {-1.0625568f, 0.8141560f},  {-1.1917336f, 0.6427351f},  {-1.2624075f, 0.4525914f},  {-1.2613563f, 0.2560212f},
    {-1.2061347f, 0.0725177f},  {-1.1441742f, -0.0905840f}, {-1.1211274f, -0.2501950f}, {-1.1425187f, -0.4356281f},
    {-1.1629336f, -0.6592392f}, {-1.1155872f, -0.8952651f}, {-0.9603982f, -1.0885322f}, {-0.7120638f, -1.1895075f},
    {-0.4264923f, -1.1883051f}, {-0.1592217f, -1.1198747f}, {0.0684957f, -1.0366359f},  {0.2703939f, -0.9718531f},
    {0.4685712f, -0.9230939f},  {0.6683868f, -0.8655963f},  {0.8577370f, -0.7790447f},  {1.0263968f, -0.6621920f},
    {1.1804085f, -0.5249732f},  {1.3326945f, -0.3711430f},  {1.4776318f, -0.1929466f},  {1.5772219f, 0.0149116f},
    {1.5787221f, 0.2368762f},   {1.4540734f, 0.4358734f},   {1.2280436f, 0.5766268f},   {0.9681178f, 0.6548359f},
    {0.7409939f, 0.7051173f},
}};

// The mean of the outline, computed once at start-up.
glm::vec2 boss1_outline_center();

// A thrower-like block that no system reads yet.
struct Boss1Thrower {
    float radius = 3.5f;
    float throw_radius = 18.0f;
    uint32_t max_holding = 5;
    std::vector<AiThrowerHeld> held;
};

struct Boss1Entity {
    EnemyTag enemy;
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    // State of the kind itself; not registered as components.
    Boss1Thrower thrower;
    float period = 8.0f;
    glm::vec2 center{0.0f, 0.0f};
    float timer = 0.0f;
    uint32_t state = 0;
};
