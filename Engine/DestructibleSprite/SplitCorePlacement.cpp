#include "Engine/DestructibleSprite/SplitCorePlacement.h"

#include "Engine/DestructibleSprite/SplitResult.h"

SplitCorePlacement split_core_placement(const SplitResult& result, uint32_t core_type) {
    SplitCorePlacement out;
    const auto core = result.core_pieces.find(cell_type_value(CellType::Core));
    const bool swapped = core != result.core_pieces.end();
    const auto entry = result.core_pieces.find(core_type);
    if (entry == result.core_pieces.end()) {
        // The cells stay in the old body, which the rock of the Core's piece takes after a swap.
        out.on_entity = !swapped;
        out.rock = swapped ? core->second : 0;
        return out;
    }
    const uint64_t k = entry->second;
    out.piece = static_cast<int64_t>(k);
    out.grid_shift = -result.pieces[k].offset;
    out.on_entity = swapped && core->second == k;
    out.rock = out.on_entity ? 0 : k;
    return out;
}
