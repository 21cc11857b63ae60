#pragma once
// The five built-in shaders. Batches build their meshes from the same layouts, so buffers and attribute
// locations always agree.

#include "Engine/Graphics/RenderTypes.h"

using ShaderDescription = ShaderDefinition;

const ShaderDescription& line_shader_description();
const ShaderDescription& thick_line_shader_description();
const ShaderDescription& particle_shader_description();
const ShaderDescription& sprite_shader_description();
const ShaderDescription& static_sprite_shader_description();
