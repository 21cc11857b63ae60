#include "tools/asset_builder/ParticleSource.h"

#include "tools/asset_builder/BuildError.h"
#include "tools/asset_builder/Json.h"

#include <cmath>
#include <fmt/format.h>
#include <functional>

namespace asset_builder {

namespace {

struct Reader {
    const std::filesystem::path& file;

    [[noreturn]] void fail(const JsonValue& v, const std::string& message) const {
        throw BuildError(file, v.line, message);
    }

    float number(const JsonValue& v, std::string_view key) const {
        if (!v.is_number())
            fail(v, fmt::format("\"{}\": expected a number, found {}", key, json_kind_name(v.kind)));
        if (!std::isfinite(v.number))
            fail(v, fmt::format("\"{}\": the value is not finite", key));
        return static_cast<float>(v.number);
    }

    void read(const JsonValue& v, std::string_view key, float& out) const { out = number(v, key); }

    void read(const JsonValue& v, std::string_view key, int32_t& out) const {
        float f = number(v, key);
        if (f != std::floor(f) || std::fabs(f) > 2e9f)
            fail(v, fmt::format("\"{}\": expected a whole number", key));
        out = static_cast<int32_t>(f);
    }

    void components(const JsonValue& v, std::string_view key, float* out, size_t n) const {
        if (v.kind != JsonValue::Kind::Array || v.array.size() != n)
            fail(v, fmt::format("\"{}\": expected an array of {} numbers", key, n));
        for (size_t i = 0; i < n; ++i)
            out[i] = number(v.array[i], key);
    }
    void read(const JsonValue& v, std::string_view key, glm::vec2& out) const { components(v, key, &out.x, 2); }
    void read(const JsonValue& v, std::string_view key, glm::vec4& out) const {
        float c[4];
        components(v, key, c, 4);
        out = {c[0], c[1], c[2], c[3]};
    }

    template <typename T>
    void range(const JsonValue& v, std::string_view key, Range<T>& out) const {
        if (v.kind != JsonValue::Kind::Object) {
            out.single = true;
            read(v, key, out.min_or_value);
            return;
        }
        for (const auto& [name, member] : v.object)
            if (name != "single" && name != "min_or_value" && name != "max")
                fail(member, fmt::format("\"{}\": unknown member \"{}\" (single, min_or_value, max)", key, name));
        const JsonValue* single = v.find("single");
        const JsonValue* value = v.find("min_or_value");
        const JsonValue* max = v.find("max");
        if (!value)
            fail(v, fmt::format("\"{}\": \"min_or_value\" is missing", key));
        out.single = true;
        if (single) {
            if (single->kind == JsonValue::Kind::Bool)
                out.single = single->boolean;
            else
                out.single = number(*single, key) != 0.0f;
        }
        read(*value, key, out.min_or_value);
        if (max)
            read(*max, key, out.max);
        else if (!out.single)
            fail(v, fmt::format("\"{}\": a random range needs \"max\"", key));
        else
            out.max = T{};
    }
};

// Every value a range can produce must pass `ok`.
template <typename T>
void check(const Range<T>& r, const std::filesystem::path& file, const char* key, const char* rule,
           const std::function<bool(float)>& ok) {
    auto each = [&](const T& v) {
        if constexpr (std::is_same_v<T, int32_t>) {
            return ok(static_cast<float>(v));
        } else if constexpr (std::is_same_v<T, float>) {
            return ok(v);
        } else if constexpr (std::is_same_v<T, glm::vec2>) {
            return ok(v.x) && ok(v.y);
        } else {
            return ok(v.x) && ok(v.y) && ok(v.z) && ok(v.w);
        }
    };
    if (!each(r.min_or_value) || (!r.single && !each(r.max)))
        throw BuildError(file, fmt::format("\"{}\" is out of range: {}", key, rule));
}

} // namespace

ParticleSpawnSettings parse_particle(std::string_view text, const std::filesystem::path& file) {
    JsonValue root = parse_json(text, file);
    Reader r{file};
    if (root.kind != JsonValue::Kind::Object)
        r.fail(root, "a particle source is one JSON object");

    ParticleSpawnSettings s;
    for (const auto& [key, value] : root.object) {
        if (!key.empty() && key[0] == '_')
            continue;
        if (key == "position")
            r.range(value, key, s.position);
        else if (key == "z")
            r.range(value, key, s.z);
        else if (key == "angle")
            r.range(value, key, s.angle);
        else if (key == "angle_xy")
            r.range(value, key, s.angle_xy);
        else if (key == "velocity")
            r.range(value, key, s.velocity);
        else if (key == "velocity_z")
            r.range(value, key, s.velocity_z);
        else if (key == "damping")
            r.range(value, key, s.damping);
        else if (key == "angular_velocity")
            r.range(value, key, s.angular_velocity);
        else if (key == "angular_velocity_xy")
            r.range(value, key, s.angular_velocity_xy);
        else if (key == "angular_damping")
            r.range(value, key, s.angular_damping);
        else if (key == "life")
            r.range(value, key, s.life);
        else if (key == "initial_scale")
            r.range(value, key, s.initial_scale);
        else if (key == "final_scale")
            r.range(value, key, s.final_scale);
        else if (key == "factor_scale")
            r.range(value, key, s.factor_scale);
        else if (key == "initial_color")
            r.range(value, key, s.initial_color);
        else if (key == "final_color")
            r.range(value, key, s.final_color);
        else if (key == "factor_color")
            r.range(value, key, s.factor_color);
        else if (key == "number_to_spawn")
            r.range(value, key, s.number_to_spawn);
        else
            r.fail(value, fmt::format("unknown range \"{}\"", key));
    }

    auto positive = [](float v) { return v > 0.0f; };
    auto non_negative = [](float v) { return v >= 0.0f; };
    auto unit = [](float v) { return v >= 0.0f && v <= 1.0f; };
    check(s.life, file, "life", "must be above 0 seconds", positive);
    check(s.damping, file, "damping", "must be 0 or more", non_negative);
    check(s.angular_damping, file, "angular_damping", "must be 0 or more", non_negative);
    check(s.factor_scale, file, "factor_scale", "must be above 0", positive);
    check(s.factor_color, file, "factor_color", "must be above 0", positive);
    check(s.initial_scale, file, "initial_scale", "must be 0 or more", non_negative);
    check(s.final_scale, file, "final_scale", "must be 0 or more", non_negative);
    check(s.initial_color, file, "initial_color", "every channel must be within 0 to 1", unit);
    check(s.final_color, file, "final_color", "every channel must be within 0 to 1", unit);
    check(s.number_to_spawn, file, "number_to_spawn", fmt::format("must be 1 to {}", kMaxParticlesPerEmit).c_str(),
          [](float v) { return v >= 1.0f && v <= kMaxParticlesPerEmit; });
    if (!s.number_to_spawn.single && s.number_to_spawn.max < s.number_to_spawn.min_or_value)
        throw BuildError(file, "\"number_to_spawn\": \"max\" is below \"min_or_value\"");
    return s;
}

} // namespace asset_builder
