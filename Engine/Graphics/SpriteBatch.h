#pragma once
// Chunks of destructible sprites: one instance per chunk, drawn from the chunk pool's two texture arrays.

#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/Math/Transform.h"

struct SpriteInstance {
    glm::mat4 model;
    glm::vec3 uvw_offset; // the chunk's block corner (u, v) and its layer
};
static_assert(sizeof(SpriteInstance) == 76);

class SpriteBatch {
public:
    // One quad spans chunk_size / layer_size of a layer: one chunk's block.
    void create(RenderContextBase& context, uint32_t chunk_size, uint32_t layer_size);
    void push(const Transform& chunk_world, glm::vec3 uvw_offset);
    void upload(RenderContextBase& context);
    void append_draw(RenderStep& step) const;

    const std::vector<SpriteInstance>& instances() const { return m_instances; }
    uint64_t uploaded_count() const { return m_uploaded; }

private:
    Handle m_quad_buffer = kInvalidHandle;
    Handle m_instance_buffer = kInvalidHandle;
    Handle m_mesh = kInvalidHandle;
    std::vector<SpriteInstance> m_instances;
    uint64_t m_uploaded = 0;
};

// The six {position, uv} vertices of the unit quad [-1, 1]^2 with uv from 0 to e.
std::vector<glm::vec4> sprite_quad_vertices(float e);
