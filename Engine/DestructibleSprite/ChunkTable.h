#pragma once
// A sprite's chunks, dense by table slot, with the map from chunk index to slot.
// Slot s holds chunk index index_of_slot[s], and slot_of_index[index_of_slot[s]] == s.

#include <cstddef>
#include <cstdint>
#include <vector>

struct SpriteChunk;

struct ChunkTable {
    std::vector<int32_t> slot_of_index; // -1 where the sprite has no chunk
    std::vector<uint32_t> index_of_slot;
    std::vector<SpriteChunk*> chunk_of_slot;

    size_t size() const { return chunk_of_slot.size(); }
    bool covers(int32_t index) const { return index >= 0 && static_cast<size_t>(index) < slot_of_index.size(); }
    // The chunk at a chunk index, or null when the index is outside the table or has no chunk.
    SpriteChunk* find(int32_t index) const {
        if (!covers(index)) {
            return nullptr;
        }
        const int32_t slot = slot_of_index[static_cast<size_t>(index)];
        return slot < 0 ? nullptr : chunk_of_slot[static_cast<size_t>(slot)];
    }
    // Appends a chunk, growing the index map to cover its index.
    void add(int32_t index, SpriteChunk* chunk) {
        if (slot_of_index.size() <= static_cast<size_t>(index)) {
            slot_of_index.resize(static_cast<size_t>(index) + 1, -1);
        }
        slot_of_index[static_cast<size_t>(index)] = static_cast<int32_t>(chunk_of_slot.size());
        index_of_slot.push_back(static_cast<uint32_t>(index));
        chunk_of_slot.push_back(chunk);
    }
    // Removes the chunk at an index by moving the last slot into its place.
    void remove(int32_t index) {
        const int32_t slot = slot_of_index[static_cast<size_t>(index)];
        const size_t last = chunk_of_slot.size() - 1;
        if (static_cast<size_t>(slot) != last) {
            chunk_of_slot[static_cast<size_t>(slot)] = chunk_of_slot[last];
            index_of_slot[static_cast<size_t>(slot)] = index_of_slot[last];
            slot_of_index[index_of_slot[static_cast<size_t>(slot)]] = slot;
        }
        chunk_of_slot.pop_back();
        index_of_slot.pop_back();
        slot_of_index[static_cast<size_t>(index)] = -1;
    }
};
