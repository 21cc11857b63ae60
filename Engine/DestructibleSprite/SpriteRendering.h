#pragma once
// Hands a destructible sprite's live chunks to the renderer, straight from the pool's chunk records.

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Graphics/SpriteDraw.h"

class Renderer;

inline SpriteChunkDraw sprite_chunk_draw(const SpriteChunk* chunk) {
    return {chunk->index, glm::vec3(chunk->uv, chunk->layer_f)};
}

// Culled against the world camera, then chunk by chunk.
void draw_sprite(Renderer& renderer, const Transform& transform, const Sprite& sprite);
// The same against the UI camera.
void draw_ui_sprite(Renderer& renderer, const Transform& transform, const Sprite& sprite);
