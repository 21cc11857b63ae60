#include "Engine/DestructibleSprite/SpriteRendering.h"

#include "Engine/Graphics/Renderer.h"

void draw_sprite(Renderer& renderer, const Transform& transform, const Sprite& sprite) {
    renderer.add_sprite(transform, sprite.grid().chunks_x, sprite.grid().chunks_y, sprite.chunk_table().chunk_of_slot,
                        sprite_chunk_draw);
}

void draw_ui_sprite(Renderer& renderer, const Transform& transform, const Sprite& sprite) {
    renderer.add_ui_sprite(transform, sprite.grid().chunks_x, sprite.grid().chunks_y,
                           sprite.chunk_table().chunk_of_slot, sprite_chunk_draw);
}
