#include "tools/asset_builder/MultiSpriteSource.h"

#include "tools/asset_builder/BuildError.h"
#include "tools/asset_builder/Json.h"
#include "tools/asset_builder/SpriteBuild.h"
#include "tools/asset_builder/TextGrid.h"

#include <cmath>
#include <fmt/format.h>

namespace asset_builder {

namespace {

struct Reader {
    const std::filesystem::path& file;

    [[noreturn]] void fail(const JsonValue& v, const std::string& message) const {
        throw BuildError(file, v.line, message);
    }
    const JsonValue& member(const JsonValue& object, std::string_view key, JsonValue::Kind kind) const {
        const JsonValue* v = object.find(key);
        if (!v)
            fail(object, fmt::format("\"{}\" is missing", key));
        if (v->kind != kind)
            fail(*v, fmt::format("\"{}\" must be {}", key, json_kind_name(kind)));
        return *v;
    }
    float number(const JsonValue& v, std::string_view what) const {
        if (!v.is_number() || !std::isfinite(v.number))
            fail(v, fmt::format("{} must be a number", what));
        return static_cast<float>(v.number);
    }
    int index(const JsonValue& v, std::string_view what, size_t count) const {
        float f = number(v, what);
        if (f != std::floor(f) || f < 0 || f >= static_cast<float>(count))
            fail(v, fmt::format("{} must be an instance index 0 to {}", what, static_cast<int>(count) - 1));
        return static_cast<int>(f);
    }
    void only(const JsonValue& object, std::initializer_list<std::string_view> keys) const {
        for (const auto& [name, value] : object.object) {
            if (!name.empty() && name[0] == '_')
                continue;
            bool known = false;
            for (auto k : keys)
                known = known || name == k;
            if (!known)
                fail(value, fmt::format("unknown member \"{}\"", name));
        }
    }
};

glm::vec2 anchor_world(const MultiSpriteInstance& instance, const SpriteAsset& sprite, glm::vec2 r) {
    // One chunk is one world unit, so a cell is 1/32 unit from the sprite's centre.
    const float lx = (r.x - sprite.cellCount.x * 0.5f) / kSpriteChunkSize;
    const float ly = (r.y - sprite.cellCount.y * 0.5f) / kSpriteChunkSize;
    const float c = std::cos(instance.angle), s = std::sin(instance.angle);
    return {instance.position.x + c * lx - s * ly, instance.position.y + s * lx + c * ly};
}

} // namespace

MultiSprite parse_multi_sprite(std::string_view text, const std::filesystem::path& file, const SpriteLookup& sprites) {
    JsonValue root = parse_json(text, file);
    Reader r{file};
    if (root.kind != JsonValue::Kind::Object)
        r.fail(root, "a multi-sprite source is one JSON object");
    r.only(root, {"instances", "joints"});

    MultiSprite multi;
    std::vector<const SpriteAsset*> part_sprites;

    const JsonValue& instances = r.member(root, "instances", JsonValue::Kind::Array);
    if (instances.array.empty())
        r.fail(instances, "\"instances\" is empty");
    for (const JsonValue& v : instances.array) {
        if (v.kind != JsonValue::Kind::Object)
            r.fail(v, "an instance must be an object");
        r.only(v, {"sprite", "position", "angle", "type"});
        const std::string& name = r.member(v, "sprite", JsonValue::Kind::String).string;
        const SpriteAsset* sprite = sprites(name);
        if (!sprite)
            r.fail(v, fmt::format("sprite \"{}\" is not among the sources", name));

        MultiSpriteInstance instance;
        instance.sprite = -1;
        for (size_t p = 0; p < multi.sprites.size(); ++p)
            if (multi.sprites[p].sprite == name)
                instance.sprite = static_cast<int32_t>(p);
        if (instance.sprite < 0) {
            MultiSpritePart part;
            part.sprite = name;
            for (const SpriteCoreData& core : sprite->cores)
                if (core.type >= kJoint1 && core.type <= kJoint4)
                    part.attachment_points.push_back({static_cast<int32_t>(core.type), core.gridPointOffset});
            instance.sprite = static_cast<int32_t>(multi.sprites.size());
            multi.sprites.push_back(std::move(part));
            part_sprites.push_back(sprite);
        }
        const JsonValue& position = r.member(v, "position", JsonValue::Kind::Array);
        if (position.array.size() != 2)
            r.fail(position, "\"position\" must be [x, y]");
        instance.position = {r.number(position.array[0], "position x"), r.number(position.array[1], "position y")};
        if (const JsonValue* angle = v.find("angle"))
            instance.angle = r.number(*angle, "\"angle\"");
        if (const JsonValue* type = v.find("type")) {
            if (type->kind == JsonValue::Kind::String && type->string == "piece")
                instance.type = 0;
            else if (type->kind == JsonValue::Kind::String && type->string == "head")
                instance.type = 1;
            else
                r.fail(*type, "\"type\" must be \"piece\" or \"head\"");
        }
        multi.instances.push_back(instance);
    }

    if (const JsonValue* joints = root.find("joints")) {
        if (joints->kind != JsonValue::Kind::Array)
            r.fail(*joints, "\"joints\" must be an array");
        for (const JsonValue& v : joints->array) {
            if (v.kind != JsonValue::Kind::Object)
                r.fail(v, "a joint must be an object");
            r.only(v, {"instances", "cell_types"});
            const JsonValue& ends = r.member(v, "instances", JsonValue::Kind::Array);
            const JsonValue& types = r.member(v, "cell_types", JsonValue::Kind::Array);
            if (ends.array.size() != 2 || types.array.size() != 2)
                r.fail(v, "a joint names two \"instances\" and two \"cell_types\"");
            int end[2], attachment[2];
            glm::vec2 world[2];
            for (int k = 0; k < 2; ++k) {
                end[k] = r.index(ends.array[k], "a joint's instance", multi.instances.size());
                const JsonValue& tv = types.array[k];
                int type = tv.kind == JsonValue::Kind::String ? parse_cell_type(tv.string) : -1;
                if (type < kJoint1 || type > kJoint4)
                    r.fail(tv, "a joint's cell type must be joint1 to joint4");
                const MultiSpriteInstance& instance = multi.instances[end[k]];
                const MultiSpritePart& part = multi.sprites[instance.sprite];
                attachment[k] = -1;
                for (size_t a = 0; a < part.attachment_points.size(); ++a)
                    if (part.attachment_points[a].cell_type == type)
                        attachment[k] = static_cast<int>(a);
                if (attachment[k] < 0)
                    r.fail(tv, fmt::format("instance {} (\"{}\") has no {} cells to attach to", end[k], part.sprite,
                                           cell_type_word(type)));
                world[k] =
                    anchor_world(instance, *part_sprites[instance.sprite], part.attachment_points[attachment[k]].r);
            }
            if (end[0] == end[1])
                r.fail(v, "a joint joins an instance to itself");
            const float gap = std::hypot(world[1].x - world[0].x, world[1].y - world[0].y);
            if (gap < kMinAnchorGap || gap > kMaxAnchorGap)
                r.fail(v, fmt::format("the joined anchors are {:.3f} world units apart; place the instances so that "
                                      "they are {} to {} apart (the joint holds them 0.6 apart)",
                                      gap, kMinAnchorGap, kMaxAnchorGap));
            multi.joints.push_back({end[0], end[1], attachment[0], attachment[1]});
        }
    }
    return multi;
}

} // namespace asset_builder
