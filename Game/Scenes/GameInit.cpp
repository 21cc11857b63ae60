#include "Game/Scenes/GameInit.h"

#include <memory>

#include "Engine/Engine/Engine.h"
#include "Game/Scenes/GameScene.h"

int init_game(Engine& engine) {
    engine.set_scene(std::make_shared<GameScene>());
    return 0;
}
