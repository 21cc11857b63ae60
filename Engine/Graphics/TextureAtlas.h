#pragma once
// One texture (2D or 2D array) with queued region writes, performed on the next update, so that code running
// during the tick can change texture contents without touching the render context.

#include <cstdint>
#include <vector>

#include "Engine/Graphics/GraphicsResource.h"
#include "Engine/Graphics/RenderTypes.h"
#include "Engine/Handle.h"

struct QueuedRegion {
    TextureWrite write;
    uint32_t texel_size = 4;
    uint32_t count = 1;
};

class TextureAtlas : public GraphicsResource {
public:
    explicit TextureAtlas(const TextureLayout& layout);
    TextureAtlas(TextureAtlas&& other) noexcept;
    TextureAtlas& operator=(TextureAtlas&& other) noexcept;
    TextureAtlas(const TextureAtlas&) = delete;
    TextureAtlas& operator=(const TextureAtlas&) = delete;
    ~TextureAtlas() override = default;

    void create(RenderContextBase& context) override;
    void destroy(RenderContextBase& context) override;
    // Performs every queued write: owned ones first, then borrowed ones, each in queue order.
    void update(RenderContextBase& context) override;

    // The caller keeps the pixels alive until the next update.
    void queue_write(const QueuedRegion& region, const void* pixels);
    // The atlas keeps its own copy of the pixels until it has written them.
    void queue_owned_write(const QueuedRegion& region, std::vector<uint8_t> pixels);

    TextureLayout layout() const { return m_layout; }
    Handle handle() const { return m_texture; }
    size_t queued_write_count() const { return m_borrowed.size() + m_owned.size(); }

private:
    struct BorrowedWrite {
        QueuedRegion region;
        const void* pixels;
    };
    struct OwnedWrite {
        QueuedRegion region;
        std::vector<uint8_t> pixels;
    };

    TextureLayout m_layout;
    Handle m_texture = kInvalidHandle;
    std::vector<BorrowedWrite> m_borrowed;
    std::vector<OwnedWrite> m_owned;
};
