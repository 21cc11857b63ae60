#include "Game/Systems/Ui/UiSpritePicture.h"

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/SpriteAsset.h"

void UiSpritePicture::load(AssetPackage& assets, std::string_view name, TextureAtlasPacked& atlas) {
    asset = &assets.get_by_name<SpriteAsset>(name);
    picture = make_sprite_picture(*asset);
    region = add_sprite_picture(atlas, picture).value_or(UvRect{glm::vec2(0.0f), glm::vec2(0.0f), 0, 0});
}
