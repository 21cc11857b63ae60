#include "Engine/Graphics/TextureAtlas.h"

#include "Engine/Graphics/RenderContextBase.h"

TextureAtlas::TextureAtlas(const TextureLayout& layout) : m_layout(layout) {}

TextureAtlas::TextureAtlas(TextureAtlas&& other) noexcept
    : m_layout(other.m_layout), m_texture(other.m_texture), m_borrowed(std::move(other.m_borrowed)),
      m_owned(std::move(other.m_owned)) {
    other.m_texture = kInvalidHandle;
    other.m_borrowed.clear();
    other.m_owned.clear();
}

TextureAtlas& TextureAtlas::operator=(TextureAtlas&& other) noexcept {
    if (this != &other) {
        m_layout = other.m_layout;
        m_texture = other.m_texture;
        m_borrowed = std::move(other.m_borrowed);
        m_owned = std::move(other.m_owned);
        other.m_texture = kInvalidHandle;
        other.m_borrowed.clear();
        other.m_owned.clear();
    }
    return *this;
}

void TextureAtlas::create(RenderContextBase& context) { m_texture = context.create_texture(m_layout); }

void TextureAtlas::destroy(RenderContextBase& context) {
    if (m_texture.is_valid()) {
        context.destroy_texture(m_texture);
    }
    m_texture = kInvalidHandle;
}

void TextureAtlas::update(RenderContextBase& context) {
    // Writes queued before the texture exists wait for the first update after create.
    if (!m_texture.is_valid()) {
        return;
    }
    for (const OwnedWrite& w : m_owned) {
        context.write_texture(m_texture, w.region.write, w.pixels.data());
    }
    for (const BorrowedWrite& w : m_borrowed) {
        context.write_texture(m_texture, w.region.write, w.pixels);
    }
    m_owned.clear();
    m_borrowed.clear();
}

void TextureAtlas::queue_write(const QueuedRegion& region, const void* pixels) {
    m_borrowed.push_back({region, pixels});
}

void TextureAtlas::queue_owned_write(const QueuedRegion& region, std::vector<uint8_t> pixels) {
    m_owned.push_back({region, std::move(pixels)});
}
