// One GUI frame of the editor's "Entities" window (headless Dear ImGui, no back end) over 5,000 entities, against
// the 50-entity frame as the baseline of the same run: the clipped list formats only the visible rows.

#include <benchmark/benchmark.h>

#include <imgui.h>

#include "Editor/EntityInspector.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/ItemEntity.h"

namespace {

void BM_EntitiesWindowFrame(benchmark::State& state) {
    EntityPool pool;
    register_rock_entity_list(pool);
    register_game_entity_lists(pool);
    // Half bullets, half items: two lists, so the clipper crosses a list boundary.
    const int64_t n = state.range(0);
    for (int64_t i = 0; i < n; ++i) {
        if (i % 2 == 0) {
            pool.list<BulletEntity>().add(BulletEntity{});
        } else {
            pool.list<ItemEntity>().add(ItemEntity{});
        }
    }

    ImGuiContext* context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1280.0f, 720.0f);
    io.DeltaTime = 1.0f / 60.0f;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    EntityId selection = kInvalidEntityId;
    for (auto _ : state) {
        ImGui::NewFrame();
        draw_entities_window(pool, selection);
        ImGui::Render();
        benchmark::DoNotOptimize(ImGui::GetDrawData()->TotalVtxCount);
    }
    state.counters["entities"] = static_cast<double>(n);
    state.counters["vertices"] = static_cast<double>(ImGui::GetDrawData()->TotalVtxCount);
    ImGui::DestroyContext(context);
}
// 50 entities first: the baseline for the 5,000 of the same run.
BENCHMARK(BM_EntitiesWindowFrame)->Arg(50)->Arg(5000)->Unit(benchmark::kMicrosecond);

} // namespace
