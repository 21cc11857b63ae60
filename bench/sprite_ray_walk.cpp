// Grid ray walk against a plain inline DDA over the same 1024 x 1024 cells.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "Engine/DestructibleSprite/GridRayWalk.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kSize = 1024;

struct Ray {
    glm::vec2 start;
    glm::vec2 direction;
    float length;
};

const std::vector<Ray>& rays() {
    static const std::vector<Ray> r = [] {
        std::mt19937 gen(7);
        std::uniform_real_distribution<float> pos(1.0f, kSize - 1.0f);
        std::uniform_real_distribution<float> ang(0.0f, 6.2831855f);
        std::vector<Ray> out;
        for (int i = 0; i < 4096; ++i) {
            const float a = ang(gen);
            out.push_back({{pos(gen), pos(gen)}, {std::cos(a), std::sin(a)}, 300.0f});
        }
        return out;
    }();
    return r;
}

const std::vector<uint8_t>& cells() {
    static const std::vector<uint8_t> c = [] {
        std::vector<uint8_t> out(static_cast<size_t>(kSize) * kSize);
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] = static_cast<uint8_t>((i * 2654435761u) >> 29);
        }
        return out;
    }();
    return c;
}

inline uint32_t cell_value(int32_t x, int32_t y) {
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(kSize) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(kSize)) {
        return 0;
    }
    return cells()[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)];
}

void BM_GridRayWalk(benchmark::State& state) {
    const std::vector<Ray>& rs = rays();
    uint64_t visited = 0;
    for (auto _ : state) {
        uint32_t sum = 0;
        for (const Ray& r : rs) {
            GridRayWalk w(r.start, r.direction, r.length);
            while (w.in_range()) {
                sum += cell_value(w.cell_x, w.cell_y);
                ++visited;
                w.step();
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["cells/s"] = benchmark::Counter(static_cast<double>(visited), benchmark::Counter::kIsRate);
}

// The textbook traversal written inline, as a caller without the walk type would.
void BM_PlainDda(benchmark::State& state) {
    const std::vector<Ray>& rs = rays();
    uint64_t visited = 0;
    for (auto _ : state) {
        uint32_t sum = 0;
        for (const Ray& r : rs) {
            int32_t x = static_cast<int32_t>(r.start.x);
            int32_t y = static_cast<int32_t>(r.start.y);
            const int32_t sx = r.direction.x > 0 ? 1 : -1;
            const int32_t sy = r.direction.y > 0 ? 1 : -1;
            const float dx = std::abs(1.0f / r.direction.x);
            const float dy = std::abs(1.0f / r.direction.y);
            float tx = r.direction.x > 0 ? (static_cast<float>(x + 1) - r.start.x) * dx
                                         : (r.start.x - static_cast<float>(x)) * dx;
            float ty = r.direction.y > 0 ? (static_cast<float>(y + 1) - r.start.y) * dy
                                         : (r.start.y - static_cast<float>(y)) * dy;
            float t = 0.0f;
            while (t <= r.length) {
                sum += cell_value(x, y);
                ++visited;
                if (ty <= tx) {
                    t = ty;
                    y += sy;
                    ty += dy;
                } else {
                    t = tx;
                    x += sx;
                    tx += dx;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["cells/s"] = benchmark::Counter(static_cast<double>(visited), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_GridRayWalk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainDda)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return sprite_bench::run(
        argc, argv,
        {{"grid ray walk cells/s / plain DDA cells/s", "BM_GridRayWalk", "BM_PlainDda", ">= 0.5", "cells/s"}});
}
