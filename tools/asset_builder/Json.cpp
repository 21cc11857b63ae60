#include "tools/asset_builder/Json.h"

#include "tools/asset_builder/BuildError.h"

#include <cctype>
#include <cstdlib>
#include <fmt/format.h>

namespace asset_builder {

const JsonValue* JsonValue::find(std::string_view key) const {
    for (const auto& [name, value] : object)
        if (name == key)
            return &value;
    return nullptr;
}

const char* json_kind_name(JsonValue::Kind kind) {
    switch (kind) {
    case JsonValue::Kind::Null:
        return "null";
    case JsonValue::Kind::Bool:
        return "a boolean";
    case JsonValue::Kind::Number:
        return "a number";
    case JsonValue::Kind::String:
        return "a string";
    case JsonValue::Kind::Array:
        return "an array";
    case JsonValue::Kind::Object:
        return "an object";
    }
    return "?";
}

namespace {

class Parser {
public:
    Parser(std::string_view text, const std::filesystem::path& file) : m_text(text), m_file(file) {}

    JsonValue document() {
        JsonValue v = value(0);
        skip_space();
        if (m_pos != m_text.size())
            fail("unexpected text after the JSON value");
        return v;
    }

private:
    static constexpr int kMaxDepth = 64;

    [[noreturn]] void fail(const std::string& message) const { throw BuildError(m_file, m_line, message); }

    void skip_space() {
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++m_pos;
            } else {
                break;
            }
        }
    }

    char peek() {
        skip_space();
        if (m_pos >= m_text.size())
            fail("unexpected end of file");
        return m_text[m_pos];
    }

    void expect(char c) {
        if (peek() != c)
            fail(fmt::format("expected '{}' but found '{}'", c, m_text[m_pos]));
        ++m_pos;
    }

    bool literal(std::string_view word) {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    JsonValue value(int depth) {
        if (depth > kMaxDepth)
            fail("values nested too deeply");
        char c = peek();
        JsonValue v;
        v.line = m_line;
        if (c == '{') {
            v.kind = JsonValue::Kind::Object;
            ++m_pos;
            if (peek() == '}') {
                ++m_pos;
                return v;
            }
            for (;;) {
                if (peek() != '"')
                    fail("expected a member name in double quotes");
                std::string key = string_body();
                if (v.find(key))
                    fail(fmt::format("member \"{}\" appears twice", key));
                expect(':');
                JsonValue member = value(depth + 1);
                v.object.push_back(JsonMember{std::move(key), std::move(member)});
                if (peek() == ',') {
                    ++m_pos;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = JsonValue::Kind::Array;
            ++m_pos;
            if (peek() == ']') {
                ++m_pos;
                return v;
            }
            for (;;) {
                v.array.push_back(value(depth + 1));
                if (peek() == ',') {
                    ++m_pos;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.string = string_body();
            return v;
        }
        if (literal("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
            return v;
        }
        if (literal("false")) {
            v.kind = JsonValue::Kind::Bool;
            return v;
        }
        if (literal("null"))
            return v;
        if (c == '-' || c == '+' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
            v.kind = JsonValue::Kind::Number;
            v.number = number();
            return v;
        }
        fail(fmt::format("unexpected character '{}'", c));
    }

    double number() {
        size_t start = m_pos;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')
                ++m_pos;
            else
                break;
        }
        std::string token(m_text.substr(start, m_pos - start));
        char* end = nullptr;
        double d = std::strtod(token.c_str(), &end);
        if (end != token.c_str() + token.size())
            fail(fmt::format("malformed number \"{}\"", token));
        return d;
    }

    std::string string_body() {
        ++m_pos; // opening quote
        std::string out;
        for (;;) {
            if (m_pos >= m_text.size())
                fail("unterminated string");
            char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (c == '\n')
                fail("line break inside a string");
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (m_pos >= m_text.size())
                fail("unterminated string");
            char e = m_text[m_pos++];
            switch (e) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case '/':
                out.push_back('/');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            default:
                fail(fmt::format("unsupported escape \\{} in a string", e));
            }
        }
    }

    std::string_view m_text;
    const std::filesystem::path& m_file;
    size_t m_pos = 0;
    int m_line = 1;
};

} // namespace

JsonValue parse_json(std::string_view text, const std::filesystem::path& file) { return Parser(text, file).document(); }

} // namespace asset_builder
