// The test bed's two surfaces: the welcome panel drawn in every ticked frame and the editor's viewport menu.

#include "Game/Scenes/GameScene.h"

void GameScene::draw_test_bed_window() {
    // TEST BED: the welcome panel is drawn here.
}

void GameScene::draw_viewport_menu() {
    // VIEWPORT MENU: the viewport's context menu is drawn here.
}
