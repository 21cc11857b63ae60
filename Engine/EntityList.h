#pragma once
// Dense storage of one entity struct type with deferred creation and destruction and mask-filtered views.
// Systems reach every list through EntityListBase and walk the packed array by byte offsets.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Engine/Handle.h"
#include "Engine/SparseIndex.h"
#include "Engine/TypeId.h"

inline constexpr uint64_t kNoComponentOffset = 0xffffffffffffffffull;
// A view reports the offsets of at most this many requested components.
inline constexpr size_t kMaxQueryComponents = 16;

struct ComponentOffset {
    uint8_t component_type_id;
    uint64_t offset;
};

// What a system needs: the mask of its components and the ids whose offsets it wants back, in that order.
struct ComponentQuery {
    uint64_t mask = 0;
    const uint8_t* ids = nullptr;
    uint64_t count = 0;
};

// A query with its id storage, built from component types.
template <typename... Cs>
struct ComponentQueryOf {
    static_assert(sizeof...(Cs) <= kMaxQueryComponents);
    uint8_t ids[sizeof...(Cs) == 0 ? 1 : sizeof...(Cs)];
    uint64_t mask;

    ComponentQueryOf() : ids{component_type_id<Cs>()...}, mask(component_mask<Cs...>()) {}
    ComponentQuery query() const { return ComponentQuery{mask, ids, sizeof...(Cs)}; }
    operator ComponentQuery() const { return query(); }
};

// One list's answer to a view.
struct EntityListView {
    uint64_t offsets[kMaxQueryComponents];
    uint32_t entity_type_id = 0;
    uint64_t stride = 0;
    std::byte* begin = nullptr;
    std::byte* end = nullptr;
    const int32_t* dense = nullptr;
    const SparseSlot* slots = nullptr;

    size_t count() const { return stride == 0 ? 0 : static_cast<size_t>(end - begin) / stride; }
    std::byte* entity(size_t i) const { return begin + i * stride; }
    EntityId id(size_t i) const {
        const int32_t slot = dense[i];
        return EntityId{slot, slots[slot].generation, entity_type_id};
    }
};

inline bool mask_contains_all(uint64_t mask, uint64_t query) { return (mask & query) == query; }
inline bool mask_has_bit(uint64_t mask, uint8_t component_type_id) { return (mask >> (component_type_id & 63)) & 1u; }
// For each id the offset of its row (the first match), or all ones when the list lacks it.
void find_component_columns(const std::vector<ComponentOffset>& table, const uint8_t* ids, uint64_t count,
                            uint64_t* out_offsets);

using EntityDestroyCallback = std::function<void(EntityId)>;

class EntityListBase {
public:
    virtual ~EntityListBase() = default;
    virtual std::string_view name() const = 0;
    // Type-erased immediate and deferred creation: the pointed-to entity is moved from.
    virtual EntityId add(void* entity) = 0;
    virtual void add_deferred(void* entity) = 0;
    virtual void destroy_deferred(const EntityId& id) = 0;
    // Applies the queued destroys (each reported to on_destroy while still in place), then the queued
    // creates. An empty callback means no callback.
    virtual void flush(EntityDestroyCallback on_destroy) = 0;
    virtual bool is_alive(const EntityId& id) const = 0;
    virtual bool has_components(const uint64_t& mask) const = 0;
    // Lookups of a stale id throw std::out_of_range; test is_alive first when the id may be stale.
    virtual void* get(const EntityId& id) = 0;
    // Writes one offset per id (all ones when absent) and returns the entity's address.
    virtual void* get_components(const EntityId& id, const uint8_t* ids, uint64_t count, uint64_t* out_offsets) = 0;
    // Null when the list does not register the component.
    virtual void* get_component(uint8_t component_type_id, const EntityId& id) = 0;
    virtual bool view(const ComponentQuery& query, EntityListView& out) = 0;
    virtual bool view_end(const ComponentQuery& query, std::byte*& out_end) = 0;
    virtual void view_all(EntityListView& out) = 0;
    virtual void view_all_end(std::byte*& out_end) = 0;

    // For tools and tests: what the list stores and how many entities it holds.
    virtual uint32_t entity_type() const = 0;
    virtual uint64_t component_mask() const = 0;
    virtual size_t size() const = 0;
};

namespace entity_list_detail {
template <typename T, typename C>
uint64_t member_offset(C T::*member) {
    // Address arithmetic on untouched storage: entity structs are plain aggregates, no object is needed.
    alignas(T) static std::byte storage[sizeof(T)];
    const T* object = std::launder(reinterpret_cast<const T*>(storage));
    return static_cast<uint64_t>(reinterpret_cast<const std::byte*>(&(object->*member)) - storage);
}
template <typename T, typename C>
uint8_t member_component_id(C T::*) {
    return component_type_id<C>();
}
} // namespace entity_list_detail

template <typename T>
class EntityList final : public EntityListBase {
public:
    template <typename... Members>
    explicit EntityList(std::string_view name, Members... members)
        : m_entity_type_id(entity_type_id<T>()), m_name(name) {
        (register_member(members), ...);
    }

    EntityList(EntityList&&) noexcept = default;
    EntityList& operator=(EntityList&&) noexcept = default;
    EntityList(const EntityList&) = delete;
    EntityList& operator=(const EntityList&) = delete;

    // Members go in reverse order: pending creates, pending destroys, entities, index, offsets, name.
    ~EntityList() override = default;

    std::string_view name() const override { return m_name; }

    EntityId add(T&& entity) {
        const Handle h = m_index.allocate();
        m_entities.push_back(std::move(entity));
        return EntityId{h.index, h.generation, m_entity_type_id};
    }
    EntityId add(void* entity) override { return add(std::move(*static_cast<T*>(entity))); }

    void add_deferred(T&& entity) { m_pending_creates.push_back(std::move(entity)); }
    void add_deferred(void* entity) override { add_deferred(std::move(*static_cast<T*>(entity))); }

    void destroy_deferred(const EntityId& id) override { m_pending_destroys.insert(id); }

    void flush(EntityDestroyCallback on_destroy) override {
        // Taken out first so that a callback queuing more destroys does not disturb this walk.
        std::unordered_set<EntityId> destroys;
        destroys.swap(m_pending_destroys);
        for (const EntityId& id : destroys) {
            // Ids destroyed twice across ticks, or ids of another list, are skipped.
            if (id.entity_type_id != m_entity_type_id || !m_index.contains(id.handle())) {
                continue;
            }
            if (on_destroy) {
                on_destroy(id);
            }
            const int32_t p = m_index.index_of(id.handle());
            m_index.free(id.index);
            const auto pos = static_cast<size_t>(p);
            if (pos + 1 != m_entities.size()) {
                m_entities[pos] = std::move(m_entities.back());
            }
            m_entities.pop_back();
        }
        for (T& entity : m_pending_creates) {
            m_index.allocate();
            m_entities.push_back(std::move(entity));
        }
        m_pending_creates.clear();
    }

    bool is_alive(const EntityId& id) const override { return m_index.contains(id.handle()); }
    bool has_components(const uint64_t& mask) const override { return mask_contains_all(m_mask, mask); }

    T& at(const EntityId& id) {
        const int32_t p = m_index.index_of(id.handle());
        if (p < 0) {
            throw std::out_of_range("EntityList: stale entity id");
        }
        return m_entities.at(static_cast<size_t>(p));
    }
    void* get(const EntityId& id) override { return &at(id); }

    void* get_components(const EntityId& id, const uint8_t* ids, uint64_t count, uint64_t* out_offsets) override {
        void* entity = get(id);
        find_component_columns(m_offsets, ids, count, out_offsets);
        return entity;
    }

    void* get_component(uint8_t component_type_id, const EntityId& id) override {
        if (!mask_has_bit(m_mask, component_type_id)) {
            return nullptr;
        }
        uint64_t offset = kNoComponentOffset;
        find_component_columns(m_offsets, &component_type_id, 1, &offset);
        if (offset == kNoComponentOffset) {
            return nullptr;
        }
        return reinterpret_cast<std::byte*>(get(id)) + offset;
    }

    template <typename C>
    C* get_component(const EntityId& id) {
        return static_cast<C*>(get_component(component_type_id<C>(), id));
    }

    bool view(const ComponentQuery& query, EntityListView& out) override {
        if (!mask_contains_all(m_mask, query.mask) || m_entities.empty()) {
            return false;
        }
        if (query.count > kMaxQueryComponents) {
            throw std::length_error("EntityList::view: too many components in one query");
        }
        find_component_columns(m_offsets, query.ids, query.count, out.offsets);
        view_all(out);
        return true;
    }

    bool view_end(const ComponentQuery& query, std::byte*& out_end) override {
        if (!mask_contains_all(m_mask, query.mask) || m_entities.empty()) {
            return false;
        }
        view_all_end(out_end);
        return true;
    }

    void view_all(EntityListView& out) override {
        out.entity_type_id = m_entity_type_id;
        out.stride = sizeof(T);
        out.begin = reinterpret_cast<std::byte*>(m_entities.data());
        out.end = reinterpret_cast<std::byte*>(m_entities.data() + m_entities.size());
        out.dense = m_index.dense().data();
        out.slots = m_index.slots().data();
    }

    void view_all_end(std::byte*& out_end) override {
        out_end = reinterpret_cast<std::byte*>(m_entities.data() + m_entities.size());
    }

    uint32_t entity_type() const override { return m_entity_type_id; }
    uint64_t component_mask() const override { return m_mask; }
    size_t size() const override { return m_entities.size(); }

    const std::vector<ComponentOffset>& offset_table() const { return m_offsets; }
    const SparseIndex& index() const { return m_index; }
    std::vector<T>& entities() { return m_entities; }
    const std::vector<T>& entities() const { return m_entities; }
    size_t pending_create_count() const { return m_pending_creates.size(); }
    size_t pending_destroy_count() const { return m_pending_destroys.size(); }

private:
    template <typename C>
    void register_member(C T::*member) {
        const uint8_t id = entity_list_detail::member_component_id(member);
        m_mask |= uint64_t{1} << (id & 63);
        m_offsets.push_back(ComponentOffset{id, entity_list_detail::member_offset(member)});
    }

    uint32_t m_entity_type_id;
    std::string m_name;
    uint64_t m_mask = 0;
    std::vector<ComponentOffset> m_offsets;
    SparseIndex m_index;
    std::vector<T> m_entities;
    std::unordered_set<EntityId> m_pending_destroys;
    std::vector<T> m_pending_creates;
};
