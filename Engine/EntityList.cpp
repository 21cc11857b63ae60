#include "Engine/EntityList.h"

void find_component_columns(const std::vector<ComponentOffset>& table, const uint8_t* ids, uint64_t count,
                            uint64_t* out_offsets) {
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t offset = kNoComponentOffset;
        for (const ComponentOffset& row : table) {
            if (row.component_type_id == ids[i]) {
                offset = row.offset;
                break;
            }
        }
        out_offsets[i] = offset;
    }
}
