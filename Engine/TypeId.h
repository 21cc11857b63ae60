#pragma once
// Dense run-time ids for entity, component and event types, handed out on first use.

#include <cstdint>

#include "Engine/Assert.h"

namespace type_id_detail {
// Plain counters: every first request happens on the main thread.
inline uint32_t entity_counter = 0;
inline uint8_t component_counter = 0;
inline uint32_t event_counter = 0;

// Component masks hold 64 bits and a mask bit is id & 63: a 65th component type would share the first
// type's bit, and views would hand out the wrong bytes as that component.
inline uint8_t next_component_id() {
    PELLMAR_ASSERT(component_counter < 64, "more than 64 component types");
    return component_counter++;
}
} // namespace type_id_detail

template <typename T>
uint32_t entity_type_id() {
    static const uint32_t id = type_id_detail::entity_counter++;
    return id;
}

template <typename T>
uint8_t component_type_id() {
    static const uint8_t id = type_id_detail::next_component_id();
    return id;
}

template <typename E>
uint32_t event_type_id() {
    static const uint32_t id = type_id_detail::event_counter++;
    return id;
}

// The bit of a component in a 64-bit component mask.
template <typename T>
uint64_t component_bit() {
    return uint64_t{1} << (component_type_id<T>() & 63);
}

template <typename... Ts>
uint64_t component_mask() {
    return (uint64_t{0} | ... | component_bit<Ts>());
}
