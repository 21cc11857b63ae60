#include "Engine/Event/EventBus.h"

#include <algorithm>

#include "Engine/Assert.h"
#include "Engine/Log.h"

namespace event_detail {

namespace {

std::byte* allocate_records(size_t bytes) {
    return static_cast<std::byte*>(::operator new (bytes, std::align_val_t{kRecordAlign}));
}

void free_records(std::byte* data) { ::operator delete (data, std::align_val_t{kRecordAlign}); }

} // namespace

RecordQueue::~RecordQueue() {
    // Payloads were destroyed by the owner of the queue (EventBus); only the storage is left.
    free_records(m_data);
}

std::byte* RecordQueue::grow(size_t bytes, const std::vector<TypeOps>& ops) {
    if (m_size + bytes <= m_capacity) [[likely]] {
        return m_data + m_size;
    }
    size_t capacity = std::max<size_t>(m_capacity * 2, 4096);
    while (capacity < m_size + bytes) {
        capacity *= 2;
    }
    std::byte* fresh = allocate_records(capacity);
    if (m_owning == 0) {
        if (m_size > 0) {
            std::memcpy(fresh, m_data, m_size);
        }
    } else {
        // Headers and trivially copyable payloads are copied; owning payloads are moved into place.
        size_t offset = 0;
        while (offset < m_size) {
            RecordHeader header = read_header(m_data + offset);
            const TypeOps& type = ops[header.id];
            size_t record = type.record_size(header.size);
            if (type.relocate != nullptr) {
                std::memcpy(fresh + offset, m_data + offset, type.payload_offset);
                type.relocate(fresh + offset + type.payload_offset, m_data + offset + type.payload_offset);
            } else {
                std::memcpy(fresh + offset, m_data + offset, record);
            }
            offset += record;
        }
    }
    free_records(m_data);
    m_data = fresh;
    m_capacity = capacity;
    return m_data + m_size;
}

} // namespace event_detail

using event_detail::read_header;

EventBus::~EventBus() { destroy_records(m_queue); }

void EventBus::add_subscriber(uint32_t id, EventSubscriber subscriber) {
    {
        LogGuard scope(LogLevelInfo, LogEvent, 1);
        LOGF("Subscribed to event: {}", id);
    }
    if (slot_index(id) < 0) {
        if (id >= m_slot_of_type.size()) {
            m_slot_of_type.resize(id + 1, -1);
        }
        m_slot_of_type[id] = static_cast<int32_t>(m_slots.size());
        m_type_of_slot.push_back(id);
        m_slots.push_back(EventSlot{m_ops[id].destroy, {}});
    }
    m_slots[static_cast<size_t>(m_slot_of_type[id])].subscribers.push_back(subscriber);
}

void EventBus::dispatch() {
    while (!m_queue.empty()) {
        // Handlers publishing during this pass queue into the (now empty) bus queue for the next pass.
        event_detail::RecordQueue pass;
        pass.swap(m_spare);
        pass.swap(m_queue);

        size_t offset = 0;
        size_t record_start = 0;
        try {
            while (offset < pass.size()) {
                record_start = offset;
                std::byte* at = pass.data() + offset;
                auto header = read_header(at);
                PELLMAR_ASSERT(header.id < m_ops.size() && m_ops[header.id].known,
                               "a queued record names a known type");
                const event_detail::TypeOps& type = m_ops[header.id];
                void* payload = at + type.payload_offset;
                void (*destroy)(void*) = type.destroy;
                offset += type.record_size(header.size);
                PELLMAR_ASSERT(record_start % event_detail::kRecordAlign == 0 && offset <= pass.size(),
                               "a record starts on an 8-byte boundary and ends inside its queue");

                int32_t slot = slot_index(header.id);
                if (slot >= 0) {
                    // Indexed, not iterated: a handler may subscribe (growing the vectors) while it runs.
                    for (size_t i = 0; i < m_slots[static_cast<size_t>(slot)].subscribers.size(); ++i) {
                        EventSubscriber subscriber = m_slots[static_cast<size_t>(slot)].subscribers[i];
                        subscriber.invoke(subscriber.listener, payload);
                    }
                }
                // A record nobody subscribed to still owns its payload: it is destroyed all the same.
                if (destroy != nullptr) {
                    destroy(payload);
                }
            }
        } catch (...) {
            // A handler threw: the payloads of its record and of the rest of the pass are destroyed undelivered.
            size_t rest = record_start;
            while (rest < pass.size()) {
                std::byte* at = pass.data() + rest;
                auto header = read_header(at);
                const event_detail::TypeOps& type = m_ops[header.id];
                if (type.destroy != nullptr) {
                    type.destroy(at + type.payload_offset);
                }
                rest += type.record_size(header.size);
            }
            pass.reset();
            m_spare.swap(pass);
            throw;
        }
        pass.reset();
        m_spare.swap(pass);
    }
}

void EventBus::unsubscribe_all(const void* listener) {
    for (EventSlot& slot : m_slots) {
        auto& subscribers = slot.subscribers;
        size_t i = 0;
        while (i < subscribers.size()) {
            if (subscribers[i].listener == listener) {
                subscribers[i] = subscribers.back();
                subscribers.pop_back();
            } else {
                ++i;
            }
        }
    }
}

size_t EventBus::subscriber_count(uint32_t type_id) const {
    int32_t slot = slot_index(type_id);
    return slot < 0 ? 0 : m_slots[static_cast<size_t>(slot)].subscribers.size();
}

void EventBus::destroy_records(event_detail::RecordQueue& queue) {
    if (queue.owning() > 0) {
        size_t offset = 0;
        while (offset < queue.size()) {
            std::byte* at = queue.data() + offset;
            auto header = read_header(at);
            const event_detail::TypeOps& type = m_ops[header.id];
            if (type.destroy != nullptr) {
                type.destroy(at + type.payload_offset);
            }
            offset += type.record_size(header.size);
        }
    }
    queue.reset();
}
