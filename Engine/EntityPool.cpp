#include "Engine/EntityPool.h"

std::shared_ptr<EntityListBase>& EntityPool::get_list(uint32_t entity_type_id) {
    return m_lists.at(static_cast<size_t>(m_positions.at(entity_type_id)));
}

void EntityPool::flush(const EntityDestroyCallback& on_destroy) {
    for (const std::shared_ptr<EntityListBase>& list : m_lists) {
        list->flush(on_destroy);
    }
}

void EntityPool::clear() {
    m_lists.clear();
    m_positions.clear();
}

EntityView::EntityView(EntityPool& pool, const ComponentQuery& query) {
    for (const std::shared_ptr<EntityListBase>& list : pool.lists()) {
        EntityListView view;
        if (list->view(query, view)) {
            m_views.push_back(view);
        }
    }
}

EntityView::Iterator EntityView::begin() const {
    Iterator it;
    if (!m_views.empty()) {
        it.m_cursor.m_view = m_views.data();
        it.m_cursor.m_entity = m_views.front().begin;
        it.m_last = m_views.data() + m_views.size();
    }
    return it;
}
