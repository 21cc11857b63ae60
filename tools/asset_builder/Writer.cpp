#include "tools/asset_builder/Writer.h"

#include <bit>
#include <cstring>

namespace asset_builder {

namespace {

class Out {
public:
    void u64(uint64_t v) {
        for (int i = 0; i < 8; ++i)
            m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    // 32-bit fields travel as 8-byte signed integers, sign-extended.
    void i32(int32_t v) { u64(static_cast<uint64_t>(static_cast<int64_t>(v))); }
    void u32(uint32_t v) { i32(static_cast<int32_t>(v)); }
    void boolean(bool v) { u64(v ? 1 : 0); }
    void f32(float v) {
        uint32_t bits = std::bit_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    void raw(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + n);
    }
    void rgba(uint32_t c) {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<uint8_t>(c >> (8 * i)));
    }
    void string(const std::string& s) {
        u64(s.size());
        raw(s.data(), s.size());
    }
    void ivec2(IVec2 v) {
        i32(v.x);
        i32(v.y);
    }
    void vec2(Vec2 v) {
        f32(v.x);
        f32(v.y);
    }
    void vec4(Vec4 v) {
        f32(v.x);
        f32(v.y);
        f32(v.z);
        f32(v.w);
    }
    void metadata(const Metadata& m) {
        string(m.name);
        raw(m.uuid.data(), m.uuid.size());
    }
    void range(const Range<float>& r) {
        boolean(r.single);
        f32(r.value);
        f32(r.max);
    }
    void range(const Range<Vec2>& r) {
        boolean(r.single);
        vec2(r.value);
        vec2(r.max);
    }
    void range(const Range<Vec4>& r) {
        boolean(r.single);
        vec4(r.value);
        vec4(r.max);
    }
    void range(const Range<int32_t>& r) {
        boolean(r.single);
        i32(r.value);
        i32(r.max);
    }

    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

void write_image(Out& out, const Image& image) {
    out.metadata(image.metadata);
    out.i32(image.width);
    out.i32(image.height);
    out.i32(image.channels);
    out.u64(image.pixels.size());
    out.raw(image.pixels.data(), image.pixels.size());
}

void write_sprite(Out& out, const Sprite& sprite) {
    out.metadata(sprite.metadata);
    out.u64(sprite.chunks.size());
    for (const Chunk& chunk : sprite.chunks) {
        for (uint32_t c : chunk.color)
            out.rgba(c);
        for (uint16_t m : chunk.mask)
            out.i32(m);
        out.i32(chunk.index);
        out.i32(chunk.active);
        out.ivec2(chunk.grid_offset);
    }
    out.u64(sprite.cores.size());
    for (const Core& core : sprite.cores) {
        out.ivec2(core.min);
        out.ivec2(core.max);
        out.i32(core.width);
        out.i32(core.height);
        out.vec2(core.grid_point);
        out.u32(core.type);
        out.i32(core.initial_cells);
        out.u64(core.color.size());
        for (uint32_t c : core.color)
            out.rgba(c);
    }
    for (const CellGroup& group : sprite.groups) {
        out.i32(group.active);
        out.ivec2(group.root);
    }
    out.i32(sprite.active);
    out.ivec2(sprite.chunk_count);
    out.ivec2(sprite.cell_count);
}

void write_multi_sprite(Out& out, const MultiSprite& multi) {
    out.metadata(multi.metadata);
    out.u64(multi.parts.size());
    for (const MultiSpritePart& part : multi.parts) {
        out.string(part.sprite);
        out.u64(part.attachments.size());
        for (const AttachmentPoint& point : part.attachments) {
            out.i32(point.cell_type);
            out.vec2(point.r);
        }
    }
    out.u64(multi.instances.size());
    for (const MultiSpriteInstance& instance : multi.instances) {
        out.i32(instance.part);
        out.vec2(instance.position);
        out.f32(instance.angle);
        out.u32(instance.type);
    }
    out.u64(multi.joints.size());
    for (const MultiSpriteJoint& joint : multi.joints) {
        out.i32(joint.instance_0);
        out.i32(joint.instance_1);
        out.i32(joint.attachment_0);
        out.i32(joint.attachment_1);
    }
}

void write_particle(Out& out, const Particle& particle) {
    out.metadata(particle.metadata);
    const ParticleSettings& s = particle.spawn;
    out.range(s.position);
    out.range(s.z);
    out.range(s.angle);
    out.range(s.angle_xy);
    out.range(s.velocity);
    out.range(s.velocity_z);
    out.range(s.damping);
    out.range(s.angular_velocity);
    out.range(s.angular_velocity_xy);
    out.range(s.angular_damping);
    out.range(s.life);
    out.range(s.initial_scale);
    out.range(s.final_scale);
    out.range(s.factor_scale);
    out.range(s.initial_color);
    out.range(s.final_color);
    out.range(s.factor_color);
    out.range(s.number_to_spawn);
}

} // namespace

std::vector<uint8_t> write_package(const Package& package) {
    Out out;
    out.u64(package.images.size());
    for (const Image& image : package.images)
        write_image(out, image);
    out.u64(0); // fonts
    out.u64(package.sprites.size());
    for (const Sprite& sprite : package.sprites)
        write_sprite(out, sprite);
    out.u64(package.multi_sprites.size());
    for (const MultiSprite& multi : package.multi_sprites)
        write_multi_sprite(out, multi);
    out.u64(package.particles.size());
    for (const Particle& particle : package.particles)
        write_particle(out, particle);
    return out.take();
}

} // namespace asset_builder
