// Area tree: build from 20,000 random boxes by insertion, then query each box's own bounds.

#include <cstdio>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "Engine/Physics/AxisAlignedAreaTree.h"

namespace {

constexpr int kBoxes = 20'000;

// A world about the size of a busy scene: boxes of 0.2 to 3 units in a 400 by 400 field.
std::vector<AxisAlignedArea> make_boxes() {
    std::mt19937 gen(1234u);
    std::uniform_real_distribution<float> pos(-200.0f, 200.0f);
    std::uniform_real_distribution<float> size(0.2f, 3.0f);
    std::vector<AxisAlignedArea> boxes;
    boxes.reserve(kBoxes);
    for (int i = 0; i < kBoxes; ++i) {
        const glm::vec2 p(pos(gen), pos(gen));
        boxes.push_back(AxisAlignedArea{p, p + glm::vec2(size(gen), size(gen))});
    }
    return boxes;
}

const std::vector<AxisAlignedArea>& boxes() {
    static const std::vector<AxisAlignedArea> b = make_boxes();
    return b;
}

void BM_Build(benchmark::State& state) {
    AxisAlignedAreaTree<int32_t> tree;
    for (auto _ : state) {
        tree.clear();
        for (int i = 0; i < kBoxes; ++i) {
            tree.insert(boxes()[static_cast<size_t>(i)], i);
        }
        benchmark::DoNotOptimize(tree.root());
    }
    state.counters["inserts/s"] = benchmark::Counter(kBoxes, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond);

void BM_QueryEach(benchmark::State& state) {
    AxisAlignedAreaTree<int32_t> tree;
    for (int i = 0; i < kBoxes; ++i) {
        tree.insert(boxes()[static_cast<size_t>(i)], i);
    }
    std::vector<int32_t> out;
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const AxisAlignedArea& b : boxes()) {
            out.clear();
            tree.query(b, out);
            found += out.size();
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["queries/s"] = benchmark::Counter(kBoxes, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["hits/query"] = static_cast<double>(found) / kBoxes;
}
BENCHMARK(BM_QueryEach)->Unit(benchmark::kMillisecond);

void BM_BuildAndQueryEach(benchmark::State& state) {
    AxisAlignedAreaTree<int32_t> tree;
    std::vector<int32_t> out;
    for (auto _ : state) {
        tree.clear();
        for (int i = 0; i < kBoxes; ++i) {
            tree.insert(boxes()[static_cast<size_t>(i)], i);
        }
        size_t found = 0;
        for (const AxisAlignedArea& b : boxes()) {
            out.clear();
            tree.query(b, out);
            found += out.size();
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["queries/s"] = benchmark::Counter(kBoxes, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildAndQueryEach)->Unit(benchmark::kMillisecond);

} // namespace
