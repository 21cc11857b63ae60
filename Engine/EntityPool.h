#pragma once
// A scene's entity lists, one per entity struct type, reachable by type id and walked in registration order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "Engine/Assert.h"
#include "Engine/EntityList.h"

class EntityPool {
public:
    // Registers the list of T with its components in registration order; a second registration of the
    // same type is rejected with std::logic_error.
    template <typename T, typename... Members>
    EntityList<T>& add_list(std::string_view name, Members... members) {
        const uint32_t t = entity_type_id<T>();
        if (m_positions.contains(t)) {
            throw std::logic_error("EntityPool::add_list: entity type already registered");
        }
        EntityList<T> list(name, members...);
        auto shared = std::make_shared<EntityList<T>>(std::move(list));
        EntityList<T>& result = *shared;
        m_positions.emplace(t, static_cast<uint64_t>(m_lists.size()));
        m_lists.push_back(std::move(shared));
        return result;
    }

    // Unregistered types throw std::out_of_range.
    std::shared_ptr<EntityListBase>& get_list(uint32_t entity_type_id);
    template <typename T>
    EntityList<T>& list() {
        return static_cast<EntityList<T>&>(*get_list(entity_type_id<T>()));
    }
    // The list of the id's entity type.
    EntityListBase& list_of(const EntityId& id) { return *get_list(id.entity_type_id); }
    bool has_list(uint32_t entity_type_id) const { return m_positions.contains(entity_type_id); }

    // Flushes every list in registration order, each with its own copy of the callback.
    void flush(const EntityDestroyCallback& on_destroy = {});
    void clear();

    const std::vector<std::shared_ptr<EntityListBase>>& lists() const { return m_lists; }

private:
    std::unordered_map<uint32_t, uint64_t> m_positions;
    std::vector<std::shared_ptr<EntityListBase>> m_lists;
};

// The first entity of T in dense order, or a process-wide default record when the list is empty.
template <typename T>
T* first_or_default(EntityPool& pool) {
    std::shared_ptr<EntityListBase> list = pool.get_list(entity_type_id<T>());
    EntityListView all;
    list->view_all(all);
    if (all.begin != all.end) {
        return reinterpret_cast<T*>(all.begin);
    }
    static T fallback{};
    return &fallback;
}

// Every entity of every list whose mask holds the query, list by list and in dense order within a list.
class EntityView {
public:
    EntityView(EntityPool& pool, const ComponentQuery& query);

    class Cursor {
    public:
        std::byte* entity() const { return m_entity; }
        // Address of the i-th requested component (in the query's order).
        void* component(size_t i) const { return m_entity + m_view->offsets[i]; }
        template <typename C>
        C& get(size_t i) const {
            PELLMAR_ASSERT(i < kMaxQueryComponents && m_view->offsets[i] != kNoComponentOffset,
                           "a view row was asked for a component its view does not hold");
            return *reinterpret_cast<C*>(m_entity + m_view->offsets[i]);
        }
        EntityId id() const { return m_view->id(static_cast<size_t>(m_entity - m_view->begin) / m_view->stride); }

    private:
        friend class EntityView;
        const EntityListView* m_view = nullptr;
        std::byte* m_entity = nullptr;
    };

    class Iterator {
    public:
        const Cursor& operator*() const { return m_cursor; }
        const Cursor* operator->() const { return &m_cursor; }
        Iterator& operator++() {
            m_cursor.m_entity += m_cursor.m_view->stride;
            if (m_cursor.m_entity == m_cursor.m_view->end) {
                ++m_cursor.m_view;
                m_cursor.m_entity = m_cursor.m_view == m_last ? nullptr : m_cursor.m_view->begin;
            }
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_cursor.m_entity == other.m_cursor.m_entity; }

    private:
        friend class EntityView;
        Cursor m_cursor;
        const EntityListView* m_last = nullptr;
    };

    Iterator begin() const;
    Iterator end() const { return Iterator{}; }
    bool empty() const { return m_views.empty(); }
    const std::vector<EntityListView>& views() const { return m_views; }

private:
    std::vector<EntityListView> m_views;
};

// Typed form of a view: each step gives the entity's components by type.
template <typename... Cs>
class EntityViewOf {
public:
    explicit EntityViewOf(EntityPool& pool) : m_view(pool, m_query.query()) {}

    class Row {
    public:
        // Asking for a component the view does not hold would read another component's bytes.
        template <typename C>
        C& get() const {
            static_assert((std::is_same_v<C, Cs> || ...), "the view does not hold this component");
            return m_cursor->template get<C>(index_of<C>());
        }
        EntityId id() const { return m_cursor->id(); }
        std::byte* entity() const { return m_cursor->entity(); }

    private:
        friend class EntityViewOf;
        template <typename C>
        static constexpr size_t index_of() {
            constexpr bool matches[] = {std::is_same_v<C, Cs>...};
            for (size_t i = 0; i < sizeof...(Cs); ++i) {
                if (matches[i]) {
                    return i;
                }
            }
            return sizeof...(Cs);
        }
        const EntityView::Cursor* m_cursor = nullptr;
    };

    class Iterator {
    public:
        Row operator*() const {
            Row row;
            row.m_cursor = &*m_it;
            return row;
        }
        Iterator& operator++() {
            ++m_it;
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_it == other.m_it; }

    private:
        friend class EntityViewOf;
        EntityView::Iterator m_it;
    };

    Iterator begin() const {
        Iterator it;
        it.m_it = m_view.begin();
        return it;
    }
    Iterator end() const { return Iterator{}; }
    bool empty() const { return m_view.empty(); }

private:
    ComponentQueryOf<Cs...> m_query;
    EntityView m_view;
};
