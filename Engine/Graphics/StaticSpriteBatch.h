#pragma once
// Tinted images from a 2D atlas (static sprites, UI pictures, the background): one instance per picture.

#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/Graphics/UvRect.h"
#include "Engine/Math/Transform.h"

struct StaticSpriteInstance {
    glm::mat4 model;
    glm::vec2 uv_offset;
    glm::vec2 uv_size;
    glm::vec4 tint;
};
static_assert(sizeof(StaticSpriteInstance) == 96);

class StaticSpriteBatch {
public:
    void create(RenderContextBase& context);
    void push(const Transform& transform, const UvRect& uv, glm::vec4 tint);
    void upload(RenderContextBase& context);
    void append_draw(RenderStep& step) const;

    const std::vector<StaticSpriteInstance>& instances() const { return m_instances; }
    uint64_t uploaded_count() const { return m_uploaded; }

private:
    Handle m_quad_buffer = kInvalidHandle;
    Handle m_instance_buffer = kInvalidHandle;
    Handle m_mesh = kInvalidHandle;
    std::vector<StaticSpriteInstance> m_instances;
    uint64_t m_uploaded = 0;
};
