#include "Engine/DestructibleSprite/SpriteChunkPool.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/Assert.h"
#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/Log.h"

namespace {

constexpr uint32_t kSlotsPerPage = 1024;

TextureLayout atlas_layout(uint32_t format, uint32_t atlas_size, int32_t layers, uint32_t texel_size) {
    TextureLayout layout;
    layout.type = TextureType2DArray;
    layout.format = format;
    layout.width = atlas_size;
    layout.height = atlas_size;
    layout.depth = static_cast<uint32_t>(std::max(layers, 0));
    layout.texel_size = texel_size;
    layout.one = 1;
    return layout;
}

// Operation table: rows the stored op, columns the new one.
constexpr ChunkOp kCombine[3][3] = {
    {ChunkOp::Created, ChunkOp::Created, ChunkOp::Freed},
    {ChunkOp::Modified, ChunkOp::Modified, ChunkOp::Freed},
    {ChunkOp::Freed, ChunkOp::Freed, ChunkOp::Freed},
};

} // namespace

// Slot-indexed paged storage; a page is made on first use and freed with its last slot.
struct SpriteChunkPool::Pages {
    struct Page {
        std::unique_ptr<SpriteChunk[]> chunks;
        std::unique_ptr<uint32_t[]> colors;
        std::unique_ptr<uint16_t[]> flags;
        uint32_t chunk_uses = 0;
        uint32_t color_uses = 0;
        uint32_t flag_uses = 0;
    };
    std::vector<Page> pages;
    std::vector<uint8_t> live; // by slot
    std::unique_ptr<uint32_t[]> spare_colors;
    std::unique_ptr<uint16_t[]> spare_flags;
};

SpriteChunkPool::SpriteChunkPool(uint32_t chunk_size, uint32_t atlas_size, int32_t layers)
    : m_chunk_size(chunk_size), m_atlas_size(atlas_size), m_layers(layers),
      m_per_row(chunk_size == 0 ? 0 : atlas_size / chunk_size),
      m_slot_count(m_per_row * m_per_row * static_cast<uint32_t>(std::max(layers, 0))),
      m_cells(chunk_size * chunk_size),
      // 8-bit colours, and the 16-bit flags as one unsigned integer per texel.
      m_color_atlas(atlas_layout(TextureFormatRgba8, atlas_size, layers, 4)),
      m_flags_atlas(atlas_layout(TextureFormatR16ui, atlas_size, layers, 2)), m_pages(std::make_unique<Pages>()) {
    if (m_slot_count > 0) {
        m_free.push_back({0, m_slot_count});
    }
    m_pages->pages.resize((m_slot_count + kSlotsPerPage - 1) / kSlotsPerPage);
    m_pages->live.assign(m_slot_count, 0);
    m_upload_queued.assign(m_slot_count, 0);
    m_pending.max_load_factor(1.0f);
    m_pending.rehash(8);
}

SpriteChunkPool::~SpriteChunkPool() = default;

SpriteChunk* SpriteChunkPool::allocate_slot() {
    if (m_free.empty()) {
        // Frees held back for an upload are safe to hand out: uploads read live slots only.
        release_held_back();
    }
    if (m_free.empty()) {
        LogGuard scope(LogLevelError, LogSprite, 1);
        LOGF("Sprite chunk pool is full: all {} slots are taken", m_slot_count);
        throw std::runtime_error("Sprite chunk pool is full");
    }
    SlotRange& range = m_free.front();
    const uint32_t slot = range.begin++;
    PELLMAR_ASSERT(slot < m_slot_count && m_pages->live[slot] == 0, "a free slot lies inside the pool and is not live");
    if (range.begin == range.end) {
        m_free.erase(m_free.begin());
    }

    const uint32_t x = slot % m_per_row;
    const uint32_t y = (slot / m_per_row) % m_per_row;
    const uint32_t layer = slot / (m_per_row * m_per_row);

    Pages::Page& page = m_pages->pages[slot / kSlotsPerPage];
    const uint32_t in_page = slot % kSlotsPerPage;
    if (!page.chunks) {
        page.chunks = std::make_unique<SpriteChunk[]>(kSlotsPerPage);
    }
    if (!page.colors) {
        // Each slot is zeroed when handed out, so the page itself needs no clearing.
        page.colors = m_pages->spare_colors
                          ? std::move(m_pages->spare_colors)
                          : std::make_unique_for_overwrite<uint32_t[]>(static_cast<size_t>(kSlotsPerPage) * m_cells);
    }
    if (!page.flags) {
        page.flags = m_pages->spare_flags
                         ? std::move(m_pages->spare_flags)
                         : std::make_unique_for_overwrite<uint16_t[]>(static_cast<size_t>(kSlotsPerPage) * m_cells);
    }
    page.chunk_uses += 1;
    page.color_uses += 1;
    page.flag_uses += 1;

    SpriteChunk& chunk = page.chunks[in_page];
    chunk = SpriteChunk{};
    chunk.slot = slot;
    chunk.texel = glm::ivec2(static_cast<int32_t>(m_chunk_size * x), static_cast<int32_t>(m_chunk_size * y));
    chunk.layer = layer;
    chunk.uv = glm::vec2(static_cast<float>(x) / static_cast<float>(m_per_row),
                         static_cast<float>(y) / static_cast<float>(m_per_row));
    chunk.layer_f = static_cast<float>(layer);
    chunk.colors = std::span<uint32_t>(page.colors.get() + static_cast<size_t>(in_page) * m_cells, m_cells);
    chunk.flags = std::span<uint16_t>(page.flags.get() + static_cast<size_t>(in_page) * m_cells, m_cells);
    std::fill(chunk.colors.begin(), chunk.colors.end(), 0u);
    std::fill(chunk.flags.begin(), chunk.flags.end(), uint16_t{0});
    m_pages->live[slot] = 1;
    m_in_use += 1;

    record(&chunk, ChunkOp::Created);
    return &chunk;
}

SpriteChunk* SpriteChunkPool::allocate_chunk(const SpriteChunkData& data) {
    SpriteChunk* chunk = allocate_slot();
    chunk->index = data.index;
    chunk->active = data.activePixelCount;
    chunk->origin = data.gridPixelOffset;
    const size_t n = std::min<size_t>(m_cells, data.color.size());
    std::copy_n(data.color.begin(), n, chunk->colors.begin());
    std::copy_n(data.mask.begin(), n, chunk->flags.begin());
    return chunk;
}

void SpriteChunkPool::mark_modified(SpriteChunk* chunk) {
    if (chunk != nullptr) {
        record(chunk, ChunkOp::Modified);
    }
}

void SpriteChunkPool::mark_freed(SpriteChunk* chunk) {
    if (chunk != nullptr) {
        record(chunk, ChunkOp::Freed);
    }
}

void SpriteChunkPool::record(SpriteChunk* chunk, ChunkOp op) {
    auto [it, inserted] = m_pending.try_emplace(chunk, op);
    if (!inserted) {
        it->second = kCombine[static_cast<size_t>(it->second)][static_cast<size_t>(op)];
    }
}

const ChunkOp* SpriteChunkPool::pending_op(const SpriteChunk* chunk) const {
    auto it = m_pending.find(const_cast<SpriteChunk*>(chunk));
    return it == m_pending.end() ? nullptr : &it->second;
}

void SpriteChunkPool::apply_pending() {
    for (const auto& [chunk, op] : m_pending) {
        if (op == ChunkOp::Freed) {
            const uint32_t slot = chunk->slot;
            m_upload_queued[slot] = 0;
            if (m_has_textures) {
                m_held_back.push_back(slot);
            } else {
                release_slot(slot);
            }
        } else if (m_has_textures) {
            // Without textures there is nothing to write; creating them queues every live slot.
            queue_upload(chunk->slot);
        }
    }
    m_pending.clear();
}

void SpriteChunkPool::queue_upload(uint32_t slot) {
    PELLMAR_ASSERT(slot < m_slot_count, "an upload names a slot of the pool");
    if (m_upload_queued[slot] == 0) {
        m_upload_queued[slot] = 1;
        m_upload_queue.push_back(slot);
    }
}

std::vector<uint32_t> SpriteChunkPool::queued_uploads() const {
    std::vector<uint32_t> out;
    std::vector<uint8_t> seen(m_slot_count, 0);
    for (uint32_t slot : m_upload_queue) {
        if (m_upload_queued[slot] != 0 && seen[slot] == 0) {
            seen[slot] = 1;
            out.push_back(slot);
        }
    }
    return out;
}

uint32_t SpriteChunkPool::pages_in_use() const {
    uint32_t n = 0;
    for (const Pages::Page& p : m_pages->pages) {
        n += p.chunks ? 1u : 0u;
    }
    return n;
}

void SpriteChunkPool::release_held_back() {
    for (uint32_t slot : m_held_back) {
        release_slot(slot);
    }
    m_held_back.clear();
}

void SpriteChunkPool::insert_free(uint32_t slot) {
    auto it = std::find_if(m_free.begin(), m_free.end(), [slot](const SlotRange& r) { return r.begin > slot; });
    if (it != m_free.begin()) {
        const SlotRange& before = *(it - 1);
        if (slot >= before.begin && slot < before.end) {
            return;
        }
    }
    it = m_free.insert(it, SlotRange{slot, slot + 1});
    if (it != m_free.begin() && (it - 1)->end == slot) {
        (it - 1)->end = it->end;
        it = m_free.erase(it) - 1;
    }
    if (it + 1 != m_free.end() && (it + 1)->begin == it->end) {
        it->end = (it + 1)->end;
        m_free.erase(it + 1);
    }
}

void SpriteChunkPool::release_slot(uint32_t slot) {
    PELLMAR_ASSERT(slot < m_slot_count, "a released slot lies inside the pool");
    if (m_pages->live[slot] == 0) {
        return;
    }
    insert_free(slot);
    m_pages->live[slot] = 0;
    m_upload_queued[slot] = 0;
    m_in_use -= 1;

    Pages::Page& page = m_pages->pages[slot / kSlotsPerPage];
    if (--page.color_uses == 0) {
        // One emptied page is kept for the next one needed: splits and respawns allocate and free whole
        // pages in quick succession, and fresh pages cost a page fault per 4 KiB on first touch.
        if (!m_pages->spare_colors) {
            m_pages->spare_colors = std::move(page.colors);
        }
        page.colors.reset();
    }
    if (--page.flag_uses == 0) {
        if (!m_pages->spare_flags) {
            m_pages->spare_flags = std::move(page.flags);
        }
        page.flags.reset();
    }
    page.chunks[slot % kSlotsPerPage] = SpriteChunk{};
    if (--page.chunk_uses == 0) {
        page.chunks.reset();
    }
}

void SpriteChunkPool::create(RenderContextBase& context) {
    m_color_atlas.create(context);
    m_flags_atlas.create(context);
    m_has_textures = true;
    // A new texture holds nothing yet: every live chunk goes up at the next update.
    for (uint32_t slot = 0; slot < m_slot_count; ++slot) {
        if (m_pages->live[slot] != 0) {
            queue_upload(slot);
        }
    }
}

void SpriteChunkPool::destroy(RenderContextBase& context) {
    m_color_atlas.destroy(context);
    m_flags_atlas.destroy(context);
    m_has_textures = false;
    for (uint32_t slot : m_upload_queue) {
        m_upload_queued[slot] = 0;
    }
    m_upload_queue.clear();
    release_held_back();
}

void SpriteChunkPool::update(RenderContextBase& context) {
    // The pixels are read from the live slots here and written before this returns, so no
    // queued write outlives the memory it points at.
    const uint32_t n = m_chunk_size;
    for (uint32_t slot : m_upload_queue) {
        if (m_upload_queued[slot] == 0) {
            continue;
        }
        m_upload_queued[slot] = 0;
        const SpriteChunk& chunk = m_pages->pages[slot / kSlotsPerPage].chunks[slot % kSlotsPerPage];
        TextureWrite write;
        write.x = static_cast<uint32_t>(chunk.texel.x);
        write.y = static_cast<uint32_t>(chunk.texel.y);
        write.z = chunk.layer;
        write.width = n;
        write.height = n;
        write.depth = 1;
        write.format = UploadFormatRgba;
        write.pixel_type = PixelTypeUnsignedByte;
        m_color_atlas.queue_write(QueuedRegion{write, 4, 1}, chunk.colors.data());
        write.format = UploadFormatRedInteger;
        write.pixel_type = PixelTypeUnsignedShort;
        m_flags_atlas.queue_write(QueuedRegion{write, 2, 1}, chunk.flags.data());
    }
    m_upload_queue.clear();
    m_color_atlas.update(context);
    m_flags_atlas.update(context);
    release_held_back();
}
