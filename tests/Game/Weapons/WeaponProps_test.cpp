#include "Game/Weapons/WeaponProps.h"

#include <string>

#include <gtest/gtest.h>

#include "Game/Components/Weapon.h"

namespace {

struct BulletCase {
    std::string name;
    BulletProps props;
    uint8_t single;
    float speed, speed_max, life, life_max;
    int32_t hits;
    float curve, fork;
    uint32_t color, second;
    float max_length;
};

TEST(WeaponProps, BulletPresetsCarryTheirValues) {
    const BulletCase cases[] = {
        {"cannon", WeaponProps::default_cannon().bullet, 1, 28.0f, 0.0f, 5.0f, 0.0f, 8, 100.0f, 0.1f, 0xFFE6E6E6u,
         0x00646464u, 0.8f},
        {"laser", WeaponProps::ai_fighter_laser().bullet, 1, 10.0f, 0.0f, 10.0f, 0.0f, 64, 15.0f, 0.1f, 0xC82121FFu,
         0x0A6464FFu, 4.0f},
        {"shrapnel a", bullet_preset_shrapnel_a(), 0, 3.0f, 8.0f, 0.4f, 1.0f, 6, 100.0f, 0.3f, 0xFFE6E6E6u, 0x00646464u,
         0.3f},
        {"shrapnel b", bullet_preset_shrapnel_b(), 0, 4.0f, 6.0f, 1.5f, 3.5f, 32, 15.0f, 0.05f, 0xFFC8C8FFu,
         0x000A0A64u, 1.2f},
    };
    for (const BulletCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BulletProps& b = c.props;
        EXPECT_EQ(b.speed_single, c.single);
        EXPECT_EQ(b.life_single, c.single);
        EXPECT_EQ(b.speed, c.speed);
        EXPECT_EQ(b.life, c.life);
        if (c.single == 0) {
            EXPECT_EQ(b.speed_max, c.speed_max);
            EXPECT_EQ(b.life_max, c.life_max);
        }
        EXPECT_EQ(b.trail_width, 0.015625f);
        EXPECT_EQ(b.hits, c.hits);
        EXPECT_EQ(b.curve_strength, c.curve);
        EXPECT_EQ(b.fork_chance, c.fork);
        EXPECT_EQ(b.trail_color, c.color);
        EXPECT_EQ(b.second_color, c.second);
        EXPECT_EQ(b.trail_settings.max_points, 100);
        EXPECT_EQ(b.trail_settings.min_segment, 0.001f);
        EXPECT_TRUE(b.trail_settings.taper);
        EXPECT_FALSE(b.trail_settings.reverse_taper);
        EXPECT_EQ(b.trail_settings.max_length, c.max_length);
        EXPECT_EQ(b.trail_settings.max_width, 0.025f);
    }
}

TEST(WeaponProps, WeaponPresetsCarryTheirTimingAndEffects) {
    const WeaponProps cannon = WeaponProps::default_cannon();
    EXPECT_EQ(cannon.weapon_number, 0u);
    EXPECT_EQ(cannon.ammunition, -1);
    EXPECT_EQ(cannon.bullets_per_shot, 1);
    EXPECT_EQ(cannon.fire_interval, 0.0f);
    EXPECT_EQ(cannon.reload_time, 0.4f);
    EXPECT_EQ(cannon.spread_angle, 0.01f);
    EXPECT_EQ(cannon.spread_width, 0.01f);
    EXPECT_FALSE(cannon.charge_effect);
    EXPECT_TRUE(cannon.reload_effect);
    EXPECT_TRUE(cannon.shot_effect);

    const WeaponProps laser = WeaponProps::ai_fighter_laser();
    EXPECT_EQ(laser.weapon_number, 1u);
    EXPECT_EQ(laser.ammunition, -1);
    EXPECT_EQ(laser.bullets_per_shot, 1);
    EXPECT_EQ(laser.fire_interval, 1.0f);
    EXPECT_EQ(laser.reload_time, 2.0f);
    EXPECT_EQ(laser.spread_angle, 0.05f);
    EXPECT_EQ(laser.spread_width, 0.05f);
    EXPECT_TRUE(laser.charge_effect);
    EXPECT_TRUE(laser.reload_effect);
    EXPECT_TRUE(laser.shot_effect);
}

TEST(WeaponProps, InstallingAPresetLoadsItsAmmunition) {
    const Weapon cannon; // a default weapon is the cannon
    EXPECT_EQ(cannon.props.weapon_number, 0u);
    EXPECT_EQ(cannon.ammo, -1);
    EXPECT_EQ(cannon.fire_timer, 0.0f);
    EXPECT_EQ(cannon.reload_timer, 0.0f);
    EXPECT_EQ(cannon.triggered, 0);

    Weapon laser(WeaponProps::ai_fighter_laser());
    EXPECT_EQ(laser.props.weapon_number, 1u);
    EXPECT_EQ(laser.ammo, -1);

    // Moving a weapon (as entity lists do) keeps its callbacks.
    Weapon moved = std::move(laser);
    EXPECT_TRUE(moved.props.charge_effect);
    EXPECT_EQ(moved.props.reload_time, 2.0f);
}

} // namespace
