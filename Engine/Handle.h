#pragma once
// Generational handles for packed records (entities and GPU resources).

#include <cstddef>
#include <cstdint>
#include <functional>

struct Handle {
    int32_t index = 0;
    uint32_t generation = 0xFFFFFFFFu;

    bool operator==(const Handle&) const = default;
    bool is_valid() const { return generation != 0xFFFFFFFFu; }
};
static_assert(sizeof(Handle) == 8);

inline constexpr Handle kInvalidHandle{0, 0xFFFFFFFFu};

struct EntityId {
    int32_t index = 0;
    uint32_t generation = 0xFFFFFFFFu;
    uint32_t entity_type_id = 0;

    bool operator==(const EntityId&) const = default;
    Handle handle() const { return Handle{index, generation}; }
};
static_assert(sizeof(EntityId) == 12);

inline constexpr EntityId kInvalidEntityId{0, 0xFFFFFFFFu, 0};

namespace handle_detail {
inline uint64_t fnv1a_u32(uint32_t v) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (int i = 0; i < 4; ++i) {
        h ^= (v >> (8 * i)) & 0xFFu;
        h *= 0x100000001b3ull;
    }
    return h;
}
inline uint64_t combine(uint64_t h, uint64_t v) { return h ^ (v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2)); }
} // namespace handle_detail

inline uint64_t hash_entity_id(const EntityId& id) {
    using namespace handle_detail;
    uint64_t h = fnv1a_u32(static_cast<uint32_t>(id.index));
    h = combine(h, fnv1a_u32(id.generation));
    h = combine(h, fnv1a_u32(id.entity_type_id));
    return h;
}

template <>
struct std::hash<EntityId> {
    size_t operator()(const EntityId& id) const noexcept { return static_cast<size_t>(hash_entity_id(id)); }
};
