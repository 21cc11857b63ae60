#pragma once
// Descriptions that callers hand to the render back end: enumerations, mesh layouts, shader definitions, textures.

#include <cstdint>
#include <string>

// Enumerations are plain u32 values in descriptions and commands; the back end maps each to its API constant.
enum BufferType : uint32_t { BufferTypeVertex = 0, BufferTypeIndex = 1, BufferTypeIndirect = 2 };
enum BufferUsage : uint32_t { BufferUsageStatic = 0, BufferUsageDynamic = 1 };
enum Topology : uint32_t { TopologyPoints = 0, TopologyLines = 1, TopologyTriangles = 2 };
enum AttributeType : uint32_t { AttributeTypeFloat = 0 };
enum TextureType : uint32_t { TextureType2D = 0, TextureType2DArray = 1 };
// Colour textures hold 8-bit RGBA; cell flags hold one 16-bit unsigned value per texel (read with a usampler).
enum TextureFormat : uint32_t { TextureFormatRgba8 = 0, TextureFormatR16ui = 1 };
enum UploadFormat : uint32_t { UploadFormatRgba = 0, UploadFormatRedInteger = 1 };
enum PixelType : uint32_t { PixelTypeUnsignedByte = 0, PixelTypeUnsignedShort = 1 };
enum StageKind : uint32_t { StageKindVertex = 0, StageKindFragment = 1 };
enum BlendSrc : uint32_t { BlendSrcSrcAlpha = 0, BlendSrcZero = 1 };
enum BlendDst : uint32_t { BlendDstOne = 0, BlendDstOneMinusSrcAlpha = 1 };
enum ClearTarget : uint32_t { ClearTargetColor = 0, ClearTargetDepth = 1 };
enum UniformKind : uint32_t { UniformKindFloat = 0, UniformKindMatrix = 1, UniformKindTexture = 2 };

struct Attribute {
    std::string name;
    uint32_t index = 0; // shader location
    uint32_t count = 0; // components
    uint32_t type = AttributeTypeFloat;
    uint64_t offset = 0; // bytes from the start of the element
};

inline constexpr uint64_t kMaxAttributes = 8;
inline constexpr uint64_t kMaxBufferLayouts = 4;
inline constexpr uint64_t kMaxUniforms = 8;
inline constexpr uint64_t kMaxStages = 2;

struct BufferLayout {
    std::string name;
    uint32_t stride = 0;
    bool instanced = false; // advances once per instance rather than per vertex
    Attribute attributes[kMaxAttributes];
    uint64_t count = 0;
};

struct MeshLayout {
    std::string name;
    BufferLayout buffers[kMaxBufferLayouts];
    uint64_t count = 0;
};

struct UniformDecl {
    std::string name;
    uint32_t kind = UniformKindFloat;
};

struct Stage {
    std::string name;
    uint32_t kind = StageKindVertex;
    std::string source;
};

// Uniform values are later supplied positionally, in the order of the declarations here.
struct ShaderDefinition {
    std::string name;
    MeshLayout layout;
    UniformDecl uniforms[kMaxUniforms];
    uint64_t uniform_count = 0;
    Stage stages[kMaxStages];
    uint64_t stage_count = 0;
};

struct TextureLayout {
    uint32_t type = TextureType2D;
    uint32_t format = TextureFormatRgba8;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;      // layers of an array
    uint32_t texel_size = 4; // bytes per texel of the caller's data
    uint32_t one = 1;
};

// A region write; two-dimensional textures ignore z and depth.
struct TextureWrite {
    uint32_t format = UploadFormatRgba;
    uint32_t pixel_type = PixelTypeUnsignedByte;
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t z = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
};
