#pragma once
// A small JSON reader for the builder's text sources (particles, multi-sprites).
// Values remember their source line so that errors can point at it.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace asset_builder {

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string string;
    std::vector<JsonValue> array;
    // Members keep their file order; keys are unique (duplicates are a parse error).
    std::vector<JsonMember> object;
    int line = 0;

    const JsonValue* find(std::string_view key) const;
    bool is_number() const { return kind == Kind::Number; }
};

// A named member, not a std::pair: a pair must not hold a type that is still being defined, while a vector
// may hold a struct that is completed after it.
struct JsonMember {
    std::string key;
    JsonValue value;
};

const char* json_kind_name(JsonValue::Kind kind);

// Parses a whole document; throws BuildError naming `file` and the line on malformed text.
JsonValue parse_json(std::string_view text, const std::filesystem::path& file);

} // namespace asset_builder
