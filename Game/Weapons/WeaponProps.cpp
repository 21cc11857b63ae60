#include "Game/Weapons/WeaponProps.h"

#include "Game/Weapons/WeaponEffects.h"

namespace {

// The common shape of every bullet trail; only the length differs between presets.
TrailSettings bullet_trail(float max_length) {
    TrailSettings settings;
    settings.max_points = 100;
    settings.min_segment = 0.001f;
    settings.taper = true;
    settings.reverse_taper = false;
    settings.max_length = max_length;
    settings.max_width = 0.025f;
    return settings;
}

BulletProps fixed_bullet(float speed, float life) {
    BulletProps props;
    props.speed_single = 1;
    props.speed = speed;
    props.speed_max = 0.0f;
    props.life_single = 1;
    props.life = life;
    props.life_max = 0.0f;
    return props;
}

BulletProps random_bullet(float speed_min, float speed_max, float life_min, float life_max) {
    BulletProps props;
    props.speed_single = 0;
    props.speed = speed_min;
    props.speed_max = speed_max;
    props.life_single = 0;
    props.life = life_min;
    props.life_max = life_max;
    return props;
}

} // namespace

WeaponProps WeaponProps::default_cannon() {
    WeaponProps props;
    props.weapon_number = 0;
    props.ammunition = -1;
    props.bullets_per_shot = 1;
    props.fire_interval = 0.0f;
    props.reload_time = 0.4f;
    props.spread_angle = 0.01f;
    props.spread_width = 0.01f;

    BulletProps& bullet = props.bullet = fixed_bullet(28.0f, 5.0f);
    bullet.trail_width = 0.015625f;
    bullet.hits = 8;
    bullet.curve_strength = 100.0f;
    bullet.fork_chance = 0.1f;
    bullet.trail_color = 0xFFE6E6E6u;
    bullet.second_color = 0x00646464u;
    bullet.trail_settings = bullet_trail(0.8f);

    props.reload_effect = cannon_reload_effect;
    props.shot_effect = cannon_shot_effect;
    return props;
}

WeaponProps WeaponProps::ai_fighter_laser() {
    WeaponProps props;
    props.weapon_number = 1;
    props.ammunition = -1;
    props.bullets_per_shot = 1;
    props.fire_interval = 1.0f;
    props.reload_time = 2.0f;
    props.spread_angle = 0.05f;
    props.spread_width = 0.05f;

    BulletProps& bullet = props.bullet = fixed_bullet(10.0f, 10.0f);
    bullet.trail_width = 0.015625f;
    bullet.hits = 64;
    bullet.curve_strength = 15.0f;
    bullet.fork_chance = 0.1f;
    bullet.trail_color = 0xC82121FFu;
    bullet.second_color = 0x0A6464FFu;
    bullet.trail_settings = bullet_trail(4.0f);

    props.charge_effect = laser_charge_effect;
    props.reload_effect = laser_reload_effect;
    props.shot_effect = laser_shot_effect;
    return props;
}

BulletProps bullet_preset_shrapnel_a() {
    BulletProps bullet = random_bullet(3.0f, 8.0f, 0.4f, 1.0f);
    bullet.trail_width = 0.015625f;
    bullet.hits = 6;
    bullet.curve_strength = 100.0f;
    bullet.fork_chance = 0.3f;
    bullet.trail_color = 0xFFE6E6E6u;
    bullet.second_color = 0x00646464u;
    bullet.trail_settings = bullet_trail(0.3f);
    return bullet;
}

BulletProps bullet_preset_shrapnel_b() {
    BulletProps bullet = random_bullet(4.0f, 6.0f, 1.5f, 3.5f);
    bullet.trail_width = 0.015625f;
    bullet.hits = 32;
    bullet.curve_strength = 15.0f;
    bullet.fork_chance = 0.05f;
    bullet.trail_color = 0xFFC8C8FFu;
    bullet.second_color = 0x000A0A64u;
    bullet.trail_settings = bullet_trail(1.2f);
    return bullet;
}
