#include "Engine/Graphics/TextureAtlasPacked.h"

#include "Engine/Log.h"

TextureAtlasPacked::TextureAtlasPacked(const TextureLayout& layout) : m_atlas(layout) { restart_packing(); }

void TextureAtlasPacked::restart_packing() {
    TextureLayout layout = m_atlas.layout();
    stbrp_init_target(&m_context, static_cast<int>(layout.width), static_cast<int>(layout.height), m_nodes, kNodeCount);
}

void TextureAtlasPacked::create(RenderContextBase& context) {
    restart_packing();
    m_atlas.create(context);
}

void TextureAtlasPacked::destroy(RenderContextBase& context) { m_atlas.destroy(context); }

void TextureAtlasPacked::update(RenderContextBase& context) { m_atlas.update(context); }

std::optional<UvRect> TextureAtlasPacked::add_image(const ImageAsset& image) {
    size_t expected = image.width > 0 && image.height > 0
                          ? static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4
                          : 0;
    if (image.channels != 4 || expected == 0 || image.pixels.size() != expected) {
        LogGuard guard(LogLevelError, LogRender, 1);
        LOGF("Texture atlas: image \"{}\" is not {}x{} RGBA pixels; skipped", image.metadata.name, image.width,
             image.height);
        return std::nullopt;
    }
    QueuedRegion region;
    region.write = TextureWrite{UploadFormatRgba,
                                PixelTypeUnsignedByte,
                                0,
                                0,
                                0,
                                static_cast<uint32_t>(image.width),
                                static_cast<uint32_t>(image.height),
                                1};
    region.texel_size = static_cast<uint32_t>(image.channels);
    region.count = 1;
    return pack(region, image.pixels.data());
}

std::optional<UvRect> TextureAtlasPacked::add_pixels(const QueuedRegion& region_template, const void* pixels) {
    return pack(region_template, pixels);
}

std::optional<UvRect> TextureAtlasPacked::pack(QueuedRegion region, const void* pixels) {
    stbrp_rect rect{};
    rect.id = 0;
    rect.w = static_cast<stbrp_coord>(region.write.width);
    rect.h = static_cast<stbrp_coord>(region.write.height);
    if (region.write.width == 0 || region.write.height == 0 || stbrp_pack_rects(&m_context, &rect, 1) == 0 ||
        !rect.was_packed) {
        LogGuard guard(LogLevelError, LogRender, 1);
        LOGF("Texture atlas: no room for a {}x{} image; skipped", region.write.width, region.write.height);
        return std::nullopt;
    }
    region.write.x = static_cast<uint32_t>(rect.x);
    region.write.y = static_cast<uint32_t>(rect.y);
    region.write.z = 0;
    m_atlas.queue_write(region, pixels);

    TextureLayout layout = m_atlas.layout();
    float w = static_cast<float>(layout.width);
    float h = static_cast<float>(layout.height);
    UvRect uv;
    uv.offset = glm::vec2(static_cast<float>(rect.x) / w, static_cast<float>(rect.y) / h);
    uv.size = glm::vec2(static_cast<float>(region.write.width) / w, static_cast<float>(region.write.height) / h);
    uv.width = region.write.width;
    uv.height = region.write.height;
    return uv;
}
