#include <algorithm>
#include <utility>

#include "Engine/Assert.h"
#include "Engine/DestructibleSprite/FloodFill.h"
#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Log.h"

struct Sprite::Piece {
    glm::vec2 offset;
    glm::vec2 center;
    Sprite sprite;
};

Sprite::Piece Sprite::make_piece(Sprite& sprite, const FloodFillGroup& group) {
    const SpriteGrid& grid = sprite.m_grid;
    const int32_t n = static_cast<int32_t>(grid.chunk_size);

    glm::ivec2 lo(2147483647);
    glm::ivec2 hi(-2147483647);
    for (const ChunkPiece& p : group.pieces) {
        const glm::ivec2 origin = grid.to_global_cell(grid.chunk_position(p.chunk), glm::ivec2(0));
        lo = glm::min(lo, origin + glm::ivec2(p.min_x, p.min_y));
        hi = glm::max(hi, origin + glm::ivec2(p.max_x, p.max_y));
    }
    const SpriteGrid piece_grid = SpriteGrid::from_cells(grid.chunk_size, glm::uvec2(hi - lo + 1));

    std::vector<SpriteChunk*> chunks;
    chunks.reserve(piece_grid.chunk_count());
    for (uint32_t cy = 0; cy < piece_grid.chunks_y; ++cy) {
        for (uint32_t cx = 0; cx < piece_grid.chunks_x; ++cx) {
            SpriteChunk* c = sprite.m_pool->allocate_slot();
            c->index = static_cast<int32_t>(cy * piece_grid.chunks_x + cx);
            c->origin = glm::ivec2(static_cast<int32_t>(cx), static_cast<int32_t>(cy)) * n;
            chunks.push_back(c);
        }
    }

    const int32_t piece_w = static_cast<int32_t>(piece_grid.chunks_x);
    const auto copy_cells = [&](const ChunkPiece& p) {
        const SpriteChunk* source = sprite.m_table.find(p.chunk);
        const glm::ivec2 shift = source->origin - lo;
        for (const int32_t cell : p.cells) {
            const glm::ivec2 g = shift + grid.local_cell(cell);
            const glm::ivec2 c = grid.has_row_chunks() ? glm::ivec2(g.x >> 5, g.y >> 5) : glm::ivec2(g.x / n, g.y / n);
            SpriteChunk& target = *chunks[static_cast<size_t>(c.y * piece_w + c.x)];
            const size_t ti = static_cast<size_t>((g.y - c.y * n) * n + (g.x - c.x * n));
            target.colors[ti] = source->colors[static_cast<size_t>(cell)];
            target.flags[ti] = source->flags[static_cast<size_t>(cell)];
            target.active += 1;
        }
    };
    for (const ChunkPiece& p : group.pieces) {
        SpriteChunk* source = sprite.m_table.find(p.chunk);
        const glm::ivec2 shift = source->origin - lo;
        if (grid.has_row_chunks() && p.cells.size() == 1024) {
            // The whole chunk: each of its rows goes over as one run, or two where it crosses a target chunk.
            for (int32_t y = 0; y < 32; ++y) {
                const glm::ivec2 g0 = shift + glm::ivec2(0, y);
                for (int32_t x = 0; x < 32;) {
                    const int32_t gx = g0.x + x;
                    const int32_t run = std::min(32 - x, 32 - (gx & 31));
                    SpriteChunk& target = *chunks[static_cast<size_t>((g0.y >> 5) * piece_w + (gx >> 5))];
                    const size_t ti = static_cast<size_t>(((g0.y & 31) << 5) | (gx & 31));
                    const size_t si = static_cast<size_t>((y << 5) | x);
                    std::copy_n(source->colors.begin() + si, run, target.colors.begin() + ti);
                    std::copy_n(source->flags.begin() + si, run, target.flags.begin() + ti);
                    target.active += run;
                    x += run;
                }
            }
        } else {
            copy_cells(p);
        }
        sprite.remove_active_cells(*source, p.cells);
        if (source->active > 0) {
            sprite.mark_dirty(source);
            sprite.m_pool->mark_modified(source);
        } else {
            sprite.remove_chunk(source);
        }
    }

    Piece out{glm::vec2(lo), glm::vec2(0.0f), Sprite(*sprite.m_pool, piece_grid, chunks, false)};
    out.center =
        glm::vec2(static_cast<float>(lo.x) + static_cast<float>(n * static_cast<int32_t>(piece_grid.chunks_x)) * 0.5f,
                  static_cast<float>(lo.y) + static_cast<float>(n * static_cast<int32_t>(piece_grid.chunks_y)) * 0.5f);
    return out;
}

void Sprite::commit(Sprite& sprite, SplitResult& out, const Transform& transform, const CommitSettings& settings) {
    // The fill, the piece records and the core hand-over all trust the counts.
    PELLMAR_ASSERT(sprite.cell_counts_agree(), "a sprite's cell counts disagree with its cells");
    sprite.flush_dirty();
    if (sprite.m_active < settings.min_cells) {
        out.reset();
        out.destroyed = 1;
        sprite.active_cells(out.debris);
        for (SpriteChunk* chunk : sprite.m_dirty) {
            sprite.m_pool->mark_modified(chunk);
        }
        return;
    }

    // Emptied chunks go before the fill, which then never enters them.
    std::vector<SpriteChunk*> emptied;
    for (SpriteChunk* chunk : sprite.m_dirty) {
        if (chunk->active == 0) {
            emptied.push_back(chunk);
        }
    }
    for (SpriteChunk* chunk : emptied) {
        sprite.remove_chunk(chunk);
        sprite.unmark_dirty(chunk);
    }

    std::vector<FloodFillGroup> groups;
    {
        FloodFill fill(sprite.m_grid, sprite.m_table, sprite.m_dirty);
        if (settings.debug_print) {
            fill.set_debug_print();
        }
        groups = fill.run();
    }

    // Debris: small parts lose their cells; the last group moves into the place examined.
    for (size_t g = 0; g < groups.size();) {
        if (groups[g].total > settings.min_cells) {
            ++g;
            continue;
        }
        for (const ChunkPiece& piece : groups[g].pieces) {
            SpriteChunk* chunk = sprite.m_table.find(piece.chunk);
            for (const int32_t cell : piece.cells) {
                const glm::ivec2 p = sprite.m_grid.to_global_cell(piece.chunk, cell);
                out.debris.push_back({p.x, p.y, chunk->colors[static_cast<size_t>(cell)]});
            }
            sprite.remove_active_cells(*chunk, piece.cells);
            if (chunk->active == 0) {
                log_format("Engine/DestructibleSprite/Sprite.cpp", 386, "Deleted chunk {}", piece.chunk);
                sprite.remove_chunk(chunk);
            } else {
                sprite.mark_dirty(chunk);
            }
        }
        if (g != groups.size() - 1) {
            groups[g] = std::move(groups.back());
        }
        groups.pop_back();
    }

    // Each core type goes to the part holding at least as many of its cells as the body keeps;
    // among parts the first with the most.
    for (uint32_t t = kFirstCoreType; t <= kLastCoreType; ++t) {
        const int32_t total = static_cast<int32_t>(sprite.m_types[t].active);
        if (total == 0) {
            continue;
        }
        int32_t main = total;
        for (const FloodFillGroup& group : groups) {
            main -= group.counts[t];
        }
        int32_t best = 0;
        int64_t taken = -1;
        for (size_t k = 0; k < groups.size(); ++k) {
            const int32_t count = groups[k].counts[t];
            if (count >= main && count > best) {
                best = count;
                taken = static_cast<int64_t>(k);
            }
        }
        if (taken >= 0) {
            out.core_pieces.try_emplace(t, static_cast<uint64_t>(taken));
        }
    }

    for (const FloodFillGroup& group : groups) {
        Piece piece = make_piece(sprite, group);
        PELLMAR_ASSERT(piece.sprite.cell_counts_agree(), "a split piece's cell counts disagree with its cells");
        const SpriteGrid& pg = piece.sprite.m_grid;
        Transform t;
        t.position = transform.to_world(sprite.m_grid.cell_to_local(piece.center));
        t.scale =
            glm::vec2(transform.scale.x * static_cast<float>(pg.chunks_x) / static_cast<float>(sprite.m_grid.chunks_x),
                      transform.scale.y * static_cast<float>(pg.chunks_y) / static_cast<float>(sprite.m_grid.chunks_y));
        t.angle = transform.angle;
        t.z = 0.0f;
        out.pieces.push_back(SplitPiece{piece.offset, std::move(piece.sprite), t});
    }

    sprite.flush_dirty();
    for (SpriteChunk* chunk : sprite.m_dirty) {
        sprite.rebuild_chunk_edges(*chunk);
        sprite.m_pool->mark_modified(chunk);
    }
    sprite.clear_dirty();

    out.destroyed = sprite.m_active < settings.min_cells ? 1 : 0;
    if (out.destroyed) {
        sprite.active_cells(out.debris);
    }
}
