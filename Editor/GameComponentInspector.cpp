#include "Editor/GameComponentInspector.h"

#include <array>

#include <imgui.h>

#include "Editor/PropertyWidgets.h"
#include "Engine/EntityPool.h"
#include "Game/Components/AiComponents.h"
#include "Game/Components/AiMessages.h"
#include "Game/Components/ItemSink.h"
#include "Game/Components/Player.h"
#include "Game/Components/Tags.h"
#include "Game/Components/Weapon.h"

namespace {

void name_row(std::string_view name) { property_label(name); }

bool float_row(std::string_view label, float& v) { return property_floats(label, {{kTagNone, &v}}); }
bool angle_row(std::string_view label, float& v) { return property_floats(label, {{kTagA, &v}}); }
bool vec2_row(std::string_view label, glm::vec2& v) { return property_floats(label, {{kTagX, &v.x}, {kTagY, &v.y}}); }

void draw_ai_base(const EntityId&, AiBase&) { name_row(AiBase::kName); }

void draw_ai_bomb(const EntityId&, AiBomb& c) {
    const auto& l = AiBomb::kLabels;
    name_row(AiBomb::kName);
    float_row(l[0], c.turn_strength);
    float_row(l[1], c.speed);
    float_row(l[2], c.start_radius);
    property_checkbox(l[3], c.exploding);
    property_checkbox(l[4], c.thrown);
}

void draw_ai_driver(const EntityId&, AiDriver& c) {
    const auto& l = AiDriver::kLabels;
    name_row(AiDriver::kName);
    float_row(l[0], c.max_speed);
    float_row(l[1], c.max_accel);
    angle_row(l[2], c.max_turn);
    float_row(l[3], c.desired_speed);
    angle_row(l[4], c.desired_heading);
    if (c.waypoint) {
        property_label(l[5]);
        vec2_row(l[6], c.waypoint->position);
        float_row(l[7], c.waypoint->radius);
    }
}

void draw_ai_fighter(const EntityId&, AiFighter&) { name_row(AiFighter::kName); }

void draw_ai_flocker(const EntityId&, AiFlocker& c) {
    const auto& l = AiFlocker::kLabels;
    name_row(AiFlocker::kName);
    float_row(l[0], c.neighbor_radius);
    float_row(l[1], c.random_bias);
    vec2_row(l[2], c.escape_vector);
    if (c.target) {
        vec2_row(l[3], *c.target);
    }
    if (c.follow_entity) {
        property_entity_id(l[4], *c.follow_entity);
    }
}

void draw_ai_force_mover(const EntityId&, AiForceMover& c) {
    const auto& l = AiForceMover::kLabels;
    name_row(AiForceMover::kName);
    float_row(l[0], c.max_speed);
    float_row(l[1], c.max_impulse);
    float_row(l[2], c.capture_radius);
    vec2_row(l[3], c.goal);
}

void draw_ai_goal(const EntityId&, AiGoal& c) {
    name_row(AiGoal::kName);
    vec2_row(AiGoal::kLabels[0], c.goal_position);
}

void draw_ai_station(const EntityId&, AiStation& c) {
    name_row(AiStation::kName);
    vec2_row(AiStation::kLabels[0], c.spawn_origin);
}

void draw_ai_throwable(const EntityId&, AiThrowable& c) {
    name_row(AiThrowable::kName);
    property_checkbox(AiThrowable::kLabels[0], c.being_held);
    property_checkbox(AiThrowable::kLabels[1], c.thrown);
}

void draw_ai_thrower(const EntityId&, AiThrower& c) {
    const auto& l = AiThrower::kLabels;
    const auto& h = AiThrower::kHeldLabels;
    name_row(AiThrower::kName);
    vec2_row(l[0], c.origin);
    float_row(l[1], c.radius);
    float_row(l[2], c.throw_radius);
    property_int(l[3], c.max_holding);
    for (size_t i = 0; i < c.held.size(); ++i) {
        AiThrowerHeld& held = c.held[i];
        // Every entry has a "Throwing" checkbox.
        ImGui::PushID(static_cast<int>(i));
        property_entity_id(h[0], held.entity);
        vec2_row(h[1], held.goal);
        property_checkbox(h[2], held.throwing);
        ImGui::PopID();
    }
}

void draw_player(const EntityId&, Player& c) {
    const auto& l = Player::kLabels;
    name_row(Player::kName);
    float_row(l[0], c.speed);
    float_row(l[1], c.cloud_speed);
    float_row(l[2], c.acceleration);
    property_checkbox(l[3], c.is_cloud);
}

void draw_play_area(const EntityId&, PlayArea& c) {
    name_row(PlayArea::kName);
    vec2_row(PlayArea::kLabels[0], c.center);
    vec2_row(PlayArea::kLabels[1], c.extent);
}

void draw_item_sink(const EntityId&, ItemSink&) { name_row(ItemSink::kRowLabel); }

void draw_weapon(const EntityId&, Weapon& c) {
    const auto& l = Weapon::kLabels;
    name_row(Weapon::kName);
    property_int(l[0], c.ammo);
    property_checkbox(l[1], c.triggered);
    vec2_row(l[2], c.holder_pos);
    vec2_row(l[3], c.holder_vel);
    vec2_row(l[4], c.aim_dir);
}

void draw_player_is_cloud_tag(const EntityId&, PlayerIsCloudTag&) { name_row(PlayerIsCloudTag::kName); }
void draw_enemy_tag(const EntityId&, EnemyTag&) { name_row(EnemyTag::kName); }
void draw_ai_message(const EntityId&, AIMessage&) { name_row(AIMessage::kName); }

void draw_ai_message_receiver(const EntityId&, AIMessageReceiver& c) {
    name_row(AIMessageReceiver::kName);
    property_int(AIMessageReceiver::kLabels[0], static_cast<int64_t>(c.queue.size()));
}

void draw_ai_squad_member(const EntityId&, AISquadMember& c) {
    name_row(AISquadMember::kName);
    property_int(AISquadMember::kLabels[0], c.squad_id);
}

template <typename C, void (*Draw)(const EntityId&, C&)>
void draw_erased(const EntityId& id, void* component) {
    Draw(id, *static_cast<C*>(component));
}

template <typename C, void (*Draw)(const EntityId&, C&)>
constexpr GameComponentSection section() {
    return GameComponentSection{C::kName, &component_type_id<C>, &draw_erased<C, Draw>};
}

// The one order of the sections, whatever order an entity record declares its components in.
constexpr std::array<GameComponentSection, 19> kSections = {{
    section<AiBase, draw_ai_base>(),
    section<AiBomb, draw_ai_bomb>(),
    section<AiDriver, draw_ai_driver>(),
    section<AiFighter, draw_ai_fighter>(),
    section<AiFlocker, draw_ai_flocker>(),
    section<AiForceMover, draw_ai_force_mover>(),
    section<AiGoal, draw_ai_goal>(),
    section<AiStation, draw_ai_station>(),
    section<AiThrowable, draw_ai_throwable>(),
    section<AiThrower, draw_ai_thrower>(),
    section<Player, draw_player>(),
    section<PlayArea, draw_play_area>(),
    section<ItemSink, draw_item_sink>(),
    section<Weapon, draw_weapon>(),
    section<PlayerIsCloudTag, draw_player_is_cloud_tag>(),
    section<EnemyTag, draw_enemy_tag>(),
    section<AIMessage, draw_ai_message>(),
    section<AIMessageReceiver, draw_ai_message_receiver>(),
    section<AISquadMember, draw_ai_squad_member>(),
}};

} // namespace

std::span<const GameComponentSection> game_component_sections() { return kSections; }

std::vector<const GameComponentSection*> game_component_sections_of(const EntityListBase& list) {
    std::vector<const GameComponentSection*> out;
    for (const GameComponentSection& s : kSections) {
        if (list.has_components(uint64_t{1} << (s.component_id() & 63))) {
            out.push_back(&s);
        }
    }
    return out;
}

void draw_game_component_inspector(EntityPool& pool, const EntityId& id) {
    EntityListBase& list = pool.list_of(id);
    for (const GameComponentSection* s : game_component_sections_of(list)) {
        const std::string title(s->name);
        if (!ImGui::CollapsingHeader(title.c_str())) {
            continue;
        }
        void* component = list.get_component(s->component_id(), id);
        if (component != nullptr && begin_property_table()) {
            s->draw_fields(id, component);
            end_property_table();
        }
    }
}
