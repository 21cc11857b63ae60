#pragma once
// Issues generational handles for records kept in a packed array and maps them to their current position.
// Records leave by moving the last one into the hole, so positions change while handles stay valid.

#include <cstdint>
#include <vector>

#include "Engine/Handle.h"

struct SparseSlot {
    // Live slot: the record's position in the packed array. Free slot: minus the next free slot.
    int32_t position = 0;
    uint32_t generation = 0;
};
static_assert(sizeof(SparseSlot) == 8);

class SparseIndex {
public:
    static constexpr int32_t kNoFreeSlot = 0x7fffffff;

    // A handle for the record that the owner is about to append to its packed array.
    Handle allocate();
    // Current position of the record, or -1 when the handle is stale. Out-of-range slot indices throw.
    int32_t index_of(Handle handle) const;
    // Liveness: the slot exists and the generations match.
    bool contains(Handle handle) const;
    // Releases a live slot; the owner moves its last record into the hole the same way.
    // Out-of-range indices throw; an already free slot is ignored.
    void free(int32_t slot);

    const std::vector<int32_t>& dense() const { return m_dense; }
    const std::vector<SparseSlot>& slots() const { return m_slots; }
    int32_t free_head() const { return m_free_head; }
    size_t size() const { return m_dense.size(); }

private:
    bool is_live(int32_t slot) const;

    std::vector<int32_t> m_dense;
    std::vector<SparseSlot> m_slots;
    int32_t m_free_head = kNoFreeSlot;
};
