#include "Game/Entities/GameEntityLists.h"

#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"

void register_rock_entity_list(EntityPool& pool) {
    using E = RockEntity;
    pool.add_list<E>("RockEntity", &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty, &E::marker);
}

void register_game_entity_lists(EntityPool& pool) {
    {
        using E = PlayerEntity;
        pool.add_list<E>("PlayerEntity", &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty, &E::player,
                         &E::item_sink, &E::weapon);
    }
    pool.add_list<BulletEntity>("BulletEntity", &BulletEntity::trail);
    {
        using E = BombEntity;
        pool.add_list<E>("BombEntity", &E::enemy, &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty, &E::marker,
                         &E::throwable, &E::bomb);
    }
    {
        using E = FighterEntity;
        pool.add_list<E>("FighterEntity", &E::enemy, &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty,
                         &E::flocker, &E::driver, &E::fighter, &E::weapon);
    }
    {
        using E = StationEntity;
        pool.add_list<E>("StationEntity", &E::enemy, &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty,
                         &E::station, &E::flocker, &E::force_mover);
    }
    {
        using E = BaseEntity;
        pool.add_list<E>("BaseEntity", &E::enemy, &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty, &E::base,
                         &E::thrower, &E::force_mover);
    }
    {
        using E = Boss1Entity;
        pool.add_list<E>("Boss1Entity", &E::enemy, &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty);
    }
    {
        using E = SnakeHeadEntity;
        pool.add_list<E>("SnakeHeadEntity", &E::transform, &E::body, &E::sprite, &E::cores, &E::dirty, &E::marker);
    }
    pool.add_list<ItemEntity>("ItemEntity");
}
