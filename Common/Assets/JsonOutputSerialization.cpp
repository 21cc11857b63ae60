#include "Common/Assets/JsonOutputSerialization.h"

void JsonOutputSerialization::begin_root() {
    m_stream << '{';
    m_containers.push_back(true);
}

// The root's bit stays on the stack and the comma flag stays as it is.
void JsonOutputSerialization::end_root() { m_stream << '}'; }

void JsonOutputSerialization::begin_object(std::string_view key) {
    key_prefix(key);
    m_stream << '{';
    m_containers.push_back(true);
}

void JsonOutputSerialization::end_object() { close('}'); }

void JsonOutputSerialization::begin_array(std::string_view key) {
    key_prefix(key);
    m_stream << '[';
    m_containers.push_back(false);
}

void JsonOutputSerialization::end_array() { close(']'); }

void JsonOutputSerialization::size(std::string_view, const uint64_t&) {}

void JsonOutputSerialization::bytes(std::string_view, const void*, uint64_t) {}

void JsonOutputSerialization::int64(std::string_view key, const int64_t& v) {
    key_prefix(key);
    m_stream << v;
    m_need_comma = true;
}

void JsonOutputSerialization::uint64(std::string_view key, const uint64_t& v) {
    key_prefix(key);
    m_stream << v;
    m_need_comma = true;
}

void JsonOutputSerialization::float32(std::string_view key, const float& v) {
    key_prefix(key);
    m_stream << v;
    m_need_comma = true;
}

void JsonOutputSerialization::string(std::string_view key, const std::string& s) {
    key_prefix(key);
    m_stream << '"' << s << '"';
    m_need_comma = true;
}

void JsonOutputSerialization::key_prefix(std::string_view key) {
    if (m_need_comma) {
        m_need_comma = false;
        m_stream << ',';
    }
    if (!m_containers.empty() && m_containers.back()) {
        m_stream << '"' << key << "\":";
    }
}

void JsonOutputSerialization::close(char bracket) {
    m_stream << bracket;
    m_need_comma = true;
    if (!m_containers.empty()) {
        m_containers.pop_back();
    }
}
