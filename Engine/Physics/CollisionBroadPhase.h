#pragma once
// The broad phase's parts that the fused step shares: which proxies are sound, and the record of a pair.

#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Physics/SpriteCollision.h"

inline bool finite2(glm::vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// The pair of proxy i with the earlier proxy j whose swept bounds overlap its own, drawn when asked.
ProxyPair make_proxy_pair(const std::vector<SpritePhysicsProxy>& proxies, int32_t i, int32_t j, DebugLines* debug);
