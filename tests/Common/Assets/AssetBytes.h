#pragma once
// Test-side writer of asset file bytes, laid out field by field as the file format lists them, independently
// of the reading code.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace asset_bytes {

class ByteWriter {
public:
    ByteWriter& i64(int64_t v) { return raw(&v, 8); }
    ByteWriter& u64(uint64_t v) { return raw(&v, 8); }
    ByteWriter& f32(float v) { return raw(&v, 4); }
    // A count, length or size: its offset is remembered so damage tests can overwrite it.
    ByteWriter& count(uint64_t n) {
        m_counts.push_back(m_bytes.size());
        return u64(n);
    }
    ByteWriter& str(const std::string& s) {
        count(s.size());
        return raw(s.data(), s.size());
    }
    ByteWriter& uuid(uint8_t seed) {
        std::array<uint8_t, 16> id{};
        for (size_t i = 0; i < id.size(); ++i) {
            id[i] = static_cast<uint8_t>(seed + i * 7);
        }
        return raw(id.data(), id.size());
    }
    ByteWriter& raw(const void* data, size_t n) {
        const auto* p = static_cast<const char*>(data);
        m_bytes.insert(m_bytes.end(), p, p + n);
        return *this;
    }
    size_t size() const { return m_bytes.size(); }
    const std::string& bytes() const { return m_bytes; }
    const std::vector<size_t>& count_offsets() const { return m_counts; }

private:
    std::string m_bytes;
    std::vector<size_t> m_counts;
};

inline std::array<uint8_t, 16> uuid_bytes(uint8_t seed) {
    std::array<uint8_t, 16> id{};
    for (size_t i = 0; i < id.size(); ++i) {
        id[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return id;
}

struct TestImage {
    std::string name;
    uint8_t id = 0;
    int64_t width = 2, height = 2, channels = 4;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(16, 0x7F);
};

inline void write(ByteWriter& w, const TestImage& image) {
    w.str(image.name).uuid(image.id).i64(image.width).i64(image.height).i64(image.channels);
    w.count(image.pixels.size()).raw(image.pixels.data(), image.pixels.size());
}

struct TestChunk {
    // Cells given as {cell index, mask}; the rest are empty with colour 0.
    std::vector<std::pair<int, int64_t>> cells{};
    int64_t index = 0;
    int64_t active = -1; // -1: counted from the cells
    int64_t offset_x = 0, offset_y = 0;
};

struct TestCore {
    int64_t min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    int64_t width = 1, height = 1;
    float point_x = 0.5f, point_y = 0.5f;
    int64_t type = 2;
    int64_t initial = 1;
    int64_t color_count = -1; // -1: width x height
};

struct TestSprite {
    std::string name;
    uint8_t id = 0;
    std::vector<TestChunk> chunks{};
    std::vector<TestCore> cores{};
    std::array<int64_t, 11> group_counts{}; // -1 anywhere: counted from the cells
    bool count_groups = true;
    int64_t active = -1;
    int64_t chunks_x = 1, chunks_y = 1;
    int64_t cells_x = -1, cells_y = -1; // -1: 32 x chunks
};

inline bool active_mask(int64_t mask) { return (mask & 0x20) == 0 && (mask & 0x1F) != 0; }

inline void write(ByteWriter& w, const TestSprite& s) {
    std::array<int64_t, 11> groups = s.group_counts;
    int64_t total = 0;
    if (s.count_groups) {
        groups.fill(0);
    }
    w.str(s.name).uuid(s.id);
    w.count(s.chunks.size());
    for (const TestChunk& c : s.chunks) {
        std::array<uint32_t, 1024> color{};
        std::array<int64_t, 1024> mask{};
        int64_t active = 0;
        for (auto [cell, m] : c.cells) {
            mask[cell] = m;
            color[cell] = 0xFF00FF00u | static_cast<uint32_t>(cell);
            if (active_mask(m)) {
                ++active;
                if (s.count_groups && (m & 0x1F) < 11) {
                    ++groups[m & 0x1F];
                }
            }
        }
        total += active;
        w.raw(color.data(), 4096);
        for (int64_t m : mask) {
            w.i64(m);
        }
        w.i64(c.index).i64(c.active < 0 ? active : c.active).i64(c.offset_x).i64(c.offset_y);
    }
    w.count(s.cores.size());
    for (const TestCore& k : s.cores) {
        w.i64(k.min_x).i64(k.min_y).i64(k.max_x).i64(k.max_y).i64(k.width).i64(k.height);
        w.f32(k.point_x).f32(k.point_y).i64(k.type).i64(k.initial);
        int64_t n = k.color_count < 0 ? k.width * k.height : k.color_count;
        w.count(static_cast<uint64_t>(n));
        for (int64_t i = 0; i < n; ++i) {
            uint32_t c = 0xFF000000u | static_cast<uint32_t>(i);
            w.raw(&c, 4);
        }
    }
    for (int g = 0; g < 11; ++g) {
        w.i64(groups[g]).i64(g).i64(g + 1);
    }
    w.i64(s.active < 0 ? total : s.active).i64(s.chunks_x).i64(s.chunks_y);
    w.i64(s.cells_x < 0 ? s.chunks_x * 32 : s.cells_x).i64(s.cells_y < 0 ? s.chunks_y * 32 : s.cells_y);
}

struct TestFont {
    std::string name;
    uint8_t id = 0;
    int glyphs = 2;
    int kernings = 1;
};

inline void write(ByteWriter& w, const TestFont& f) {
    w.str(f.name).uuid(f.id).uuid(static_cast<uint8_t>(f.id + 100));
    w.count(static_cast<uint64_t>(f.glyphs));
    for (int g = 0; g < f.glyphs; ++g) {
        for (int k = 0; k < 8; ++k) {
            w.f32(0.125f * float(k + g));
        }
        w.f32(9.5f).i64(g).i64('A' + g);
    }
    w.count(static_cast<uint64_t>(f.kernings));
    for (int k = 0; k < f.kernings; ++k) {
        w.i64('A').i64('V').f32(-0.5f);
    }
    w.f32(4.0f).f32(12.0f).f32(9.0f).f32(-3.0f);
}

struct TestPoint {
    int64_t cell_type = 7;
    float x = 1.0f, y = 2.0f;
};
struct TestPart {
    std::string sprite;
    std::vector<TestPoint> points{};
};
struct TestInstance {
    int64_t sprite = 0;
    float x = 0.0f, y = 0.0f, angle = 0.0f;
    int64_t type = 0;
};
struct TestJoint {
    int64_t i0 = 0, i1 = 1, a0 = 0, a1 = 0;
};
struct TestMultiSprite {
    std::string name;
    uint8_t id = 0;
    std::vector<TestPart> parts{};
    std::vector<TestInstance> instances{};
    std::vector<TestJoint> joints{};
};

inline void write(ByteWriter& w, const TestMultiSprite& m) {
    w.str(m.name).uuid(m.id);
    w.count(m.parts.size());
    for (const TestPart& p : m.parts) {
        w.str(p.sprite).count(p.points.size());
        for (const TestPoint& a : p.points) {
            w.i64(a.cell_type).f32(a.x).f32(a.y);
        }
    }
    w.count(m.instances.size());
    for (const TestInstance& i : m.instances) {
        w.i64(i.sprite).f32(i.x).f32(i.y).f32(i.angle).i64(i.type);
    }
    w.count(m.joints.size());
    for (const TestJoint& j : m.joints) {
        w.i64(j.i0).i64(j.i1).i64(j.a0).i64(j.a1);
    }
}

struct TestParticle {
    std::string name;
    uint8_t id = 0;
    uint64_t single = 1;
    float base = 0.0f; // every float value is base + its position among the floats
    int64_t count = 3;
};

// The 18 ranges: kinds 1 (f32), 2 (vec2), 4 (vec4), 0 (int).
inline constexpr int kRangeKinds[18] = {2, 1, 1, 2, 2, 1, 1, 1, 2, 1, 1, 2, 2, 1, 4, 4, 1, 0};

inline void write(ByteWriter& w, const TestParticle& p) {
    w.str(p.name).uuid(p.id);
    float next = p.base;
    for (int kind : kRangeKinds) {
        w.u64(p.single);
        if (kind == 0) {
            w.i64(p.count).i64(p.count + 5);
            continue;
        }
        for (int half = 0; half < 2; ++half) {
            for (int k = 0; k < kind; ++k) {
                w.f32(next);
                next += 1.0f;
            }
        }
    }
}

struct TestFile {
    std::vector<TestImage> images;
    std::vector<TestFont> fonts;
    std::vector<TestSprite> sprites;
    std::vector<TestMultiSprite> multi_sprites;
    std::vector<TestParticle> particles;
};

template <typename T>
void write_list(ByteWriter& w, const std::vector<T>& list) {
    w.count(list.size());
    for (const T& item : list) {
        write(w, item);
    }
}

inline ByteWriter file_writer(const TestFile& f) {
    ByteWriter w;
    write_list(w, f.images);
    write_list(w, f.fonts);
    write_list(w, f.sprites);
    write_list(w, f.multi_sprites);
    write_list(w, f.particles);
    return w;
}

inline std::string file_bytes(const TestFile& f) { return file_writer(f).bytes(); }

// One asset of every kind, all valid: the base of the damage tables.
inline TestFile sample_file() {
    TestFile f;
    f.images.push_back({"game/item/core", 1});
    f.fonts.push_back({"fonts/mono", 2});
    TestSprite s{"Enemy/Bomb", 3};
    s.chunks_x = 2;
    s.chunks.push_back({{{0, 1}, {1, 1}, {33, 2}, {34, 0x21}}, 0, -1, 0, 0});
    s.chunks.push_back({{{5, 1}, {6, 7}}, 1, -1, 32, 0});
    s.cores.push_back({1, 1, 1, 1, 1, 1, 1.5f, 1.5f, 2, 1});
    s.cores.push_back({38, 0, 38, 0, 1, 1, 38.5f, 0.5f, 7, 1});
    f.sprites.push_back(s);
    f.sprites.push_back({"piece", 4});
    f.multi_sprites.push_back({"snake", 5, {{"piece", {{7, 3.0f, 4.0f}}}}, {{0}, {0, 1.0f}}, {{0, 1, 0, 0}}});
    f.particles.push_back({"game/particles/explosion_spark", 6});
    return f;
}

} // namespace asset_bytes
