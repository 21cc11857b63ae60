#include "Engine/SparseIndex.h"

#include <stdexcept>

Handle SparseIndex::allocate() {
    const auto n = static_cast<int32_t>(m_dense.size());
    if (m_free_head == kNoFreeSlot) {
        m_slots.push_back(SparseSlot{n, 0});
        m_dense.push_back(n);
        return Handle{n, 0};
    }
    const int32_t s = m_free_head;
    SparseSlot& slot = m_slots[static_cast<size_t>(s)];
    const uint32_t generation = slot.generation;
    m_free_head = -slot.position;
    slot.position = n;
    m_dense.push_back(s);
    return Handle{s, generation};
}

int32_t SparseIndex::index_of(Handle handle) const {
    // A negative index turns into a huge size_t, so at() rejects it too.
    const SparseSlot& slot = m_slots.at(static_cast<size_t>(static_cast<int64_t>(handle.index)));
    return slot.generation == handle.generation ? slot.position : -1;
}

bool SparseIndex::contains(Handle handle) const {
    if (handle.index < 0 || static_cast<size_t>(handle.index) >= m_slots.size()) {
        return false;
    }
    return m_slots[static_cast<size_t>(handle.index)].generation == handle.generation;
}

bool SparseIndex::is_live(int32_t slot) const {
    // A free slot whose next is 0 also stores position 0, so check the dense entry, not the sign.
    const int32_t position = m_slots[static_cast<size_t>(slot)].position;
    return position >= 0 && static_cast<size_t>(position) < m_dense.size() &&
           m_dense[static_cast<size_t>(position)] == slot;
}

void SparseIndex::free(int32_t slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size()) {
        throw std::out_of_range("SparseIndex::free: slot out of range");
    }
    if (!is_live(slot)) {
        return;
    }
    SparseSlot& freed = m_slots[static_cast<size_t>(slot)];
    const int32_t d = freed.position;
    const int32_t last = m_dense.back();
    m_dense[static_cast<size_t>(d)] = last;
    m_dense.pop_back();
    m_slots[static_cast<size_t>(last)].position = d;
    freed.generation += 1;
    freed.position = -m_free_head;
    m_free_head = slot;
}
