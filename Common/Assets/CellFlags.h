#pragma once
// A cell's type and its 16-bit flags word, as the asset file stores them and the engine's sprites keep them. The
// asset code checks stored cells against this, so it stands below both.
//
// Flags: bits 0-4 cell type, bit 5 removed, bits 6-7 edge kind, bits 8-10 outward direction.
// Removing a cell keeps type and colour so that it can be restored.

#include <cstdint>

enum class CellType : uint8_t {
    Empty = 0,
    Filled = 1,
    Core = 2,
    Weakpoint1 = 3,
    Weakpoint2 = 4,
    Weakpoint3 = 5,
    Weakpoint4 = 6,
    Joint1 = 7,
    Joint2 = 8,
    Joint3 = 9,
    Joint4 = 10,
};

// The value a cell type has in flags, asset fields and per-type tables.
constexpr uint32_t cell_type_value(CellType type) { return static_cast<uint32_t>(type); }

// Per-type records everywhere hold one entry per cell type.
inline constexpr uint32_t kCellTypeCount = cell_type_value(CellType::Joint4) + 1;
// Every type from Core on can carry a core: the Core itself, the weak points and the joints.
inline constexpr uint32_t kFirstCoreType = cell_type_value(CellType::Core);
inline constexpr uint32_t kLastCoreType = cell_type_value(CellType::Joint4);

inline constexpr uint16_t kCellTypeMask = 0x1F;
inline constexpr uint16_t kCellRemovedBit = 0x20;
inline constexpr uint16_t kCellEdgeKindShift = 6;
inline constexpr uint16_t kCellEdgeKindMask = 0x3 << kCellEdgeKindShift;
inline constexpr uint16_t kCellDirectionShift = 8;
inline constexpr uint16_t kCellDirectionMask = 0x7 << kCellDirectionShift;

// Written by the chunk edge rebuild.
enum EdgeKind : uint8_t {
    EdgeInterior = 0,
    EdgeCorner = 1,
    EdgeSide = 2,
};

constexpr uint32_t cell_type_of(uint16_t flags) { return flags & kCellTypeMask; }
constexpr bool cell_removed(uint16_t flags) { return (flags & kCellRemovedBit) != 0; }
constexpr bool cell_active(uint16_t flags) { return (flags & kCellRemovedBit) == 0 && (flags & kCellTypeMask) != 0; }
constexpr uint32_t cell_edge_kind(uint16_t flags) { return (flags & kCellEdgeKindMask) >> kCellEdgeKindShift; }
constexpr uint32_t cell_direction(uint16_t flags) { return (flags & kCellDirectionMask) >> kCellDirectionShift; }
constexpr uint16_t with_edge(uint16_t flags, uint32_t kind, uint32_t direction) {
    return static_cast<uint16_t>((flags & ~(kCellEdgeKindMask | kCellDirectionMask)) |
                                 ((kind << kCellEdgeKindShift) & kCellEdgeKindMask) |
                                 ((direction << kCellDirectionShift) & kCellDirectionMask));
}
constexpr bool is_core_type(uint32_t type) { return type >= kFirstCoreType && type <= kLastCoreType; }
