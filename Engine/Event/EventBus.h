#pragma once
// Typed publish/subscribe with deferred delivery. Events are queued as records
// [u32 event type id][u64 payload size][payload] and delivered by `dispatch`, once per frame.
//
// The payload follows the 12-byte header directly; records start on 8-byte boundaries, and an event type
// aligned to 8 gets 4 bytes of padding before its payload, so a handler always sees a properly aligned
// event. Payloads are move-constructed into place; when the queue grows, records of types that own memory
// are moved into the new storage one by one (a std::string keeps its short buffer inside the object, so
// its bytes cannot simply be copied) and each payload is destroyed exactly once, after its delivery.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "Engine/TypeId.h"

namespace event_detail {

inline constexpr size_t kRecordAlign = 8;
inline constexpr size_t kHeaderSize = 12;

constexpr size_t round_up(size_t n) { return (n + kRecordAlign - 1) & ~(kRecordAlign - 1); }

template <typename E>
constexpr size_t kPayloadOffset = alignof(E) <= 4 ? kHeaderSize : 16;

template <typename E>
constexpr size_t kRecordSize = round_up(kPayloadOffset<E> + sizeof(E));

// Every published type's payload offset is a multiple of its alignment, and its record one of the record alignment.
template <typename E>
constexpr bool kRecordLayoutHolds = kPayloadOffset<E> % alignof(E) == 0 && kRecordSize<E> % kRecordAlign == 0 &&
                                    kRecordSize<E> >= kPayloadOffset<E> + sizeof(E);

struct RecordHeader {
    uint32_t id;
    uint64_t size;
};
// The header is read and written as its 4 + 8 bytes, packed; records start 8-aligned in a 16-aligned queue, so a
// payload at offset 12 or 16 meets the alignment of its type.
static_assert(kHeaderSize == sizeof(RecordHeader::id) + sizeof(RecordHeader::size));
static_assert(kHeaderSize % 4 == 0 && 16 % kRecordAlign == 0);

inline RecordHeader read_header(const std::byte* at) {
    RecordHeader header{};
    std::memcpy(&header.id, at, sizeof(header.id));
    std::memcpy(&header.size, at + sizeof(header.id), sizeof(header.size));
    return header;
}

// How to relocate and destroy the payload of one event type; both empty for trivially copyable types.
struct TypeOps {
    void (*relocate)(void* to, void* from) = nullptr;
    void (*destroy)(void* payload) = nullptr;
    uint32_t payload_offset = kHeaderSize;
    bool known = false;
    size_t record_size(uint64_t payload_size) const { return round_up(payload_offset + payload_size); }
};

template <typename E>
void relocate_payload(void* to, void* from) {
    E* source = static_cast<E*>(from);
    ::new (to) E(std::move(*source));
    source->~E();
}

template <typename E>
void destroy_payload(void* payload) {
    static_cast<E*>(payload)->~E();
}

template <typename E>
constexpr bool kOwning = !std::is_trivially_copyable_v<E> || !std::is_trivially_destructible_v<E>;

// A growable, 16-byte aligned byte buffer of records.
class RecordQueue {
public:
    RecordQueue() = default;
    ~RecordQueue();
    RecordQueue(const RecordQueue&) = delete;
    RecordQueue& operator=(const RecordQueue&) = delete;

    std::byte* data() const { return m_data; }
    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }
    bool empty() const { return m_size == 0; }
    // Number of queued records whose payload owns memory.
    size_t owning() const { return m_owning; }

    // Makes room for `bytes` more bytes, moving owning payloads properly, and returns the write position.
    std::byte* grow(size_t bytes, const std::vector<TypeOps>& ops);
    // The write position for `bytes` more bytes; only a full queue takes the call that grows it.
    std::byte* reserve(size_t bytes, const std::vector<TypeOps>& ops) {
        if (m_size + bytes <= m_capacity) [[likely]] {
            return m_data + m_size;
        }
        return grow(bytes, ops);
    }
    void commit(size_t bytes, bool owning) {
        m_size += bytes;
        m_owning += owning ? 1 : 0;
    }
    // Forgets the records (their payloads must have been destroyed) but keeps the storage.
    void reset() {
        m_size = 0;
        m_owning = 0;
    }
    void swap(RecordQueue& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_owning, other.m_owning);
    }

private:
    std::byte* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
    size_t m_owning = 0;
};

} // namespace event_detail

struct EventSubscriber {
    void* listener = nullptr;
    void (*invoke)(void* listener, const void* payload) = nullptr;
};

struct EventSlot {
    // Runs once per delivered record, after every subscriber: the payload's destructor, or nothing.
    void (*destroy)(void* payload) = nullptr;
    std::vector<EventSubscriber> subscribers;
};

class EventBus {
public:
    EventBus() = default;
    ~EventBus();
    EventBus(const EventBus&) = delete;
    EventBus& operator=(const EventBus&) = delete;

    // Queues an event; payloads that own memory are moved in and the caller's object is left empty.
    template <typename E>
    void publish(E event);
    // Queues an E value-initialised in the queue and then filled in place by `fill(E&)`. An event that a hot loop
    // builds field by field on the stack and then publishes is read back in wider pieces than it was written,
    // which stalls the copy on every event.
    template <typename E, typename Fill>
    void publish_filled(Fill&& fill);

    // Subscribes `listener->handle(const E&)`. The same listener may subscribe twice and is then called twice.
    template <typename E, typename Listener>
    void subscribe(Listener* listener);

    // Delivers everything queued, pass after pass, until a pass queues nothing new.
    void dispatch();

    // Removes every subscription of `listener` from every slot.
    void unsubscribe_all(const void* listener);

    // Bytes waiting for the next dispatch.
    size_t queued_bytes() const { return m_queue.size(); }
    size_t subscriber_count(uint32_t type_id) const;

    template <typename E>
    size_t subscriber_count() {
        return subscriber_count(event_type_id<E>());
    }

private:
    template <typename E>
    void register_type(uint32_t id);
    // Reserves an E's record at the end of the queue and writes its header and padding; returns where the payload
    // goes. The caller constructs it there and commits the record.
    template <typename E>
    std::byte* begin_record();
    int32_t slot_index(uint32_t id) const { return id < m_slot_of_type.size() ? m_slot_of_type[id] : -1; }
    void add_subscriber(uint32_t id, EventSubscriber subscriber);
    void destroy_records(event_detail::RecordQueue& queue);

    event_detail::RecordQueue m_queue;
    std::vector<int32_t> m_slot_of_type;
    std::vector<uint32_t> m_type_of_slot;
    std::vector<EventSlot> m_slots;
    // Relocation and destruction of each published type, indexed by event type id.
    std::vector<event_detail::TypeOps> m_ops;
    // The buffer of the pass being delivered, kept between dispatches so a frame allocates nothing.
    event_detail::RecordQueue m_spare;
};

template <typename E>
void EventBus::register_type(uint32_t id) {
    if (id >= m_ops.size()) {
        m_ops.resize(id + 1);
    }
    event_detail::TypeOps& ops = m_ops[id];
    ops.known = true;
    ops.payload_offset = static_cast<uint32_t>(event_detail::kPayloadOffset<E>);
    if constexpr (event_detail::kOwning<E>) {
        ops.relocate = &event_detail::relocate_payload<E>;
        ops.destroy = &event_detail::destroy_payload<E>;
    }
}

template <typename E>
std::byte* EventBus::begin_record() {
    static_assert(alignof(E) <= event_detail::kRecordAlign, "event types are aligned to at most 8 bytes");
    static_assert(event_detail::kRecordLayoutHolds<E>);
    const uint32_t id = event_type_id<E>();
    if (id >= m_ops.size() || !m_ops[id].known) [[unlikely]] {
        register_type<E>(id);
    }
    constexpr uint64_t size = sizeof(E);
    constexpr size_t record = event_detail::kRecordSize<E>;
    std::byte* at = m_queue.reserve(record, m_ops);
    // Padding (and the one payload byte of an event without fields) is zeroed.
    std::memset(at + record - 8, 0, 8);
    if constexpr (event_detail::kPayloadOffset<E> != event_detail::kHeaderSize) {
        std::memset(at + event_detail::kHeaderSize, 0, event_detail::kPayloadOffset<E> - event_detail::kHeaderSize);
    }
    std::memcpy(at, &id, sizeof(id));
    std::memcpy(at + sizeof(id), &size, sizeof(size));
    return at + event_detail::kPayloadOffset<E>;
}

template <typename E>
void EventBus::publish(E event) {
    static_assert(std::is_move_constructible_v<E>);
    ::new (static_cast<void*>(begin_record<E>())) E(std::move(event));
    m_queue.commit(event_detail::kRecordSize<E>, event_detail::kOwning<E>);
}

template <typename E, typename Fill>
void EventBus::publish_filled(Fill&& fill) {
    static_assert(std::is_default_constructible_v<E>);
    fill(*::new (static_cast<void*>(begin_record<E>())) E());
    m_queue.commit(event_detail::kRecordSize<E>, event_detail::kOwning<E>);
}

template <typename E, typename Listener>
void EventBus::subscribe(Listener* listener) {
    const uint32_t id = event_type_id<E>();
    if (id >= m_ops.size() || !m_ops[id].known) {
        register_type<E>(id);
    }
    void (*invoke)(void*, const void*) = [](void* l, const void* payload) {
        static_cast<Listener*>(l)->handle(*static_cast<const E*>(payload));
    };
    add_subscriber(id, EventSubscriber{static_cast<void*>(listener), invoke});
}
