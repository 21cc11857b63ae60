#pragma once
// Holds the cells of every destructible sprite of a scene, one block of chunk_size x chunk_size
// texels per chunk in two texture arrays (colours and cell flags). Hands out chunk slots and
// chunk records, and gathers what happened to each chunk during a tick (created, modified,
// freed) so that uploads and slot releases happen once, when apply_pending runs.
//
// Uploads read the cells of live slots at render time, so nothing queued ever points at memory
// that a release could free. While textures exist, a freed slot is handed out again only after
// the next upload; without a render step frees are not held back.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Graphics/GraphicsResource.h"
#include "Engine/Graphics/TextureAtlas.h"
#include "Engine/Handle.h"

struct SpriteChunkData;

enum class ChunkOp : uint8_t {
    Created = 0,
    Modified = 1,
    Freed = 2,
};

// Free slots [begin, end).
struct SlotRange {
    uint32_t begin;
    uint32_t end;
    bool operator==(const SlotRange&) const = default;
};

class SpriteChunkPool : public GraphicsResource {
public:
    SpriteChunkPool(uint32_t chunk_size, uint32_t atlas_size, int32_t layers);
    ~SpriteChunkPool() override;
    SpriteChunkPool(const SpriteChunkPool&) = delete;
    SpriteChunkPool& operator=(const SpriteChunkPool&) = delete;

    // A fresh chunk with all colours and flags 0, lowest free slot first. Throws when every slot
    // is taken (after logging it); the scene cannot go on without room for its sprites.
    SpriteChunk* allocate_slot();
    // A fresh chunk filled from stored chunk data.
    SpriteChunk* allocate_chunk(const SpriteChunkData& data);
    void mark_modified(SpriteChunk* chunk);
    void mark_freed(SpriteChunk* chunk);
    // Performs and clears the pending operations; once per tick, after all commits.
    void apply_pending();

    // Creates both texture arrays; every live chunk is written at the next update.
    void create(RenderContextBase& context) override;
    void destroy(RenderContextBase& context) override;
    // Writes the cells of every queued chunk, then hands out the slots freed before it.
    void update(RenderContextBase& context) override;
    Handle color_texture() const { return m_color_atlas.handle(); }
    Handle flags_texture() const { return m_flags_atlas.handle(); }
    bool has_textures() const { return m_has_textures; }

    uint32_t chunk_size() const { return m_chunk_size; }
    uint32_t atlas_size() const { return m_atlas_size; }
    int32_t layers() const { return m_layers; }
    uint32_t per_row() const { return m_per_row; }
    uint32_t slot_count() const { return m_slot_count; }
    uint32_t slots_in_use() const { return m_in_use; }
    const std::vector<SlotRange>& free_ranges() const { return m_free; }
    size_t pending_count() const { return m_pending.size(); }
    // Pending operation of a chunk, if any.
    const ChunkOp* pending_op(const SpriteChunk* chunk) const;
    // Live slots whose cells go to the textures at the next upload, in queue order.
    std::vector<uint32_t> queued_uploads() const;
    size_t held_back_frees() const { return m_held_back.size(); }
    // Pages of slot records currently allocated.
    uint32_t pages_in_use() const;

private:
    struct Pages;

    void record(SpriteChunk* chunk, ChunkOp op);
    void queue_upload(uint32_t slot);
    void release_slot(uint32_t slot);
    void release_held_back();
    void insert_free(uint32_t slot);

    uint32_t m_chunk_size;
    uint32_t m_atlas_size;
    int32_t m_layers;
    uint32_t m_per_row;
    uint32_t m_slot_count;
    uint32_t m_cells; // cells per chunk
    uint32_t m_in_use = 0;

    TextureAtlas m_color_atlas;
    TextureAtlas m_flags_atlas;
    std::vector<SlotRange> m_free;
    std::unique_ptr<Pages> m_pages;
    std::unordered_map<SpriteChunk*, ChunkOp> m_pending;

    // Whether the textures exist; set by create, cleared by destroy.
    bool m_has_textures = false;
    std::vector<uint32_t> m_upload_queue;
    std::vector<uint8_t> m_upload_queued; // by slot
    std::vector<uint32_t> m_held_back;    // freed slots waiting for the next upload
};
