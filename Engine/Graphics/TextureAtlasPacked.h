#pragma once
// A 2D atlas that packs images one by one (stb_rect_pack) and addresses each by its UV rectangle.

#include <optional>

#include <stb_rect_pack.h>

#include "Common/Assets/ImageAsset.h"
#include "Engine/Graphics/TextureAtlas.h"
#include "Engine/Graphics/UvRect.h"

class TextureAtlasPacked : public GraphicsResource {
public:
    static constexpr int kNodeCount = 1024;

    explicit TextureAtlasPacked(const TextureLayout& layout);

    // Restarts the packing, then creates the texture: images are added again after a render restart.
    void create(RenderContextBase& context) override;
    void destroy(RenderContextBase& context) override;
    void update(RenderContextBase& context) override;

    // Packs the image and queues a borrowed write of its RGBA pixels. An image that does not fit, or whose
    // pixels are not width x height x 4 bytes, is reported and skipped: nothing is queued.
    std::optional<UvRect> add_image(const ImageAsset& image);
    // The same for raw pixels: the template's x, y and z are replaced by the packed position and 0.
    std::optional<UvRect> add_pixels(const QueuedRegion& region_template, const void* pixels);

    Handle handle() const { return m_atlas.handle(); }
    const TextureAtlas& atlas() const { return m_atlas; }

private:
    void restart_packing();
    std::optional<UvRect> pack(QueuedRegion region, const void* pixels);

    stbrp_context m_context{};
    stbrp_node m_nodes[kNodeCount]{};
    TextureAtlas m_atlas;
};
