#pragma once
// Immediate-mode widgets that lay out an editable record as a two-column property table (names left,
// values right) and edit floats as rows of drag fields tagged with a coloured axis square.

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "Engine/Handle.h"

// Index into the axis tag table; kTagNone draws no square.
enum AxisTag : uint32_t {
    kTagX = 0,
    kTagY = 1,
    kTagZ = 2,
    kTagW = 3,
    kTagA = 4,
    kTagKg = 5,
    kTagI = 6,
    kTagNone = 7,
};
inline constexpr uint32_t kAxisTagCount = 8;

struct AxisTagStyle {
    std::string_view label;
    uint8_t r, g, b;
};
// The label and colour of a tag; kTagNone and anything past it have an empty label.
const AxisTagStyle& axis_tag_style(uint32_t tag);

struct FieldDescriptor {
    uint32_t tag = kTagNone;
    float* value = nullptr;
};
using FieldList = std::initializer_list<FieldDescriptor>;

// Opens the two-column table; the caller draws rows and calls end_property_table only when it returns true.
bool begin_property_table();
void end_property_table();

// A new row with the label in the names column; the cursor is left in the value column.
void property_label(std::string_view label);
// The flag components keep their booleans as bytes; both forms write straight through.
void property_checkbox(std::string_view label, bool& value);
void property_checkbox(std::string_view label, uint8_t& value);
// Read-only.
void property_int(std::string_view label, int64_t value);
// Read-only, as "index/generation type".
void property_entity_id(std::string_view label, const EntityId& id);
// True when any field changed.
bool property_floats(std::string_view label, FieldList fields);
// The multi-field row without a label: one line when every field gets more than 100 pixels, else one field
// per line at the full width.
bool property_value_row(const FieldDescriptor* fields, size_t count);
inline bool property_value_row(FieldList fields) { return property_value_row(fields.begin(), fields.size()); }
bool tagged_drag_float(float width, uint32_t tag, float& value);
