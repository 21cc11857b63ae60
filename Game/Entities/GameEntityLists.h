#pragma once
// Registration of the game's entity lists in a scene's pool.

class EntityPool;

// The rock list goes in with the engine's lists, just before the game's own.
void register_rock_entity_list(EntityPool& pool);
// PlayerEntity, BulletEntity, BombEntity, FighterEntity, StationEntity, BaseEntity, Boss1Entity, SnakeHeadEntity
// and ItemEntity, in that order.
void register_game_entity_lists(EntityPool& pool);
