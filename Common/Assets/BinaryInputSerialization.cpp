#include "Common/Assets/BinaryInputSerialization.h"

#include <fmt/format.h>

BinaryInputSerialization::BinaryInputSerialization(std::istream& stream) : m_stream(stream) {
    // Without a known size nothing can be trusted, so every count is refused.
    std::istream::pos_type start = m_stream.tellg();
    if (start == std::istream::pos_type(-1)) {
        return;
    }
    m_stream.seekg(0, std::ios::end);
    std::istream::pos_type end = m_stream.tellg();
    m_stream.seekg(start);
    if (end != std::istream::pos_type(-1) && end >= start) {
        m_size = static_cast<uint64_t>(end - start);
    }
}

void BinaryInputSerialization::begin_root() {}
void BinaryInputSerialization::end_root() {}

void BinaryInputSerialization::begin_object(std::string_view key) { enter(key); }

void BinaryInputSerialization::end_object() {
    if (!m_path.empty()) {
        m_path.pop_back();
    }
}

void BinaryInputSerialization::begin_array(std::string_view key) { enter(key); }

void BinaryInputSerialization::end_array() { end_object(); }

void BinaryInputSerialization::size(std::string_view key, uint64_t& n) {
    uint64_t value = 0;
    if (read(key, &value, 8)) {
        n = value;
    }
}

void BinaryInputSerialization::bytes(std::string_view key, void* data, uint64_t n) { read(key, data, n); }

void BinaryInputSerialization::int64(std::string_view key, int64_t& v) {
    int64_t value = 0;
    if (read(key, &value, 8)) {
        v = value;
    }
}

void BinaryInputSerialization::uint64(std::string_view key, uint64_t& v) {
    uint64_t value = 0;
    if (read(key, &value, 8)) {
        v = value;
    }
}

void BinaryInputSerialization::float32(std::string_view key, float& v) {
    float value = 0.0f;
    if (read(key, &value, 4)) {
        v = value;
    }
}

void BinaryInputSerialization::string(std::string_view key, std::string& s) { read(key, s.data(), s.size()); }

bool BinaryInputSerialization::accept_count(std::string_view key, uint64_t count, uint64_t element_bytes) {
    if (m_failed) {
        return false;
    }
    if (element_bytes == 0) {
        element_bytes = 1;
    }
    uint64_t left = remaining();
    if (count > left / element_bytes) {
        // The count itself was the last 8 bytes read.
        fail(fmt::format("count {} of {} at byte {} needs at least {} bytes each, only {} bytes are left", count,
                         path_of(key), m_offset - 8, element_bytes, left));
        return false;
    }
    return true;
}

bool BinaryInputSerialization::read(std::string_view key, void* data, uint64_t n) {
    if (m_failed) {
        return false;
    }
    std::string_view element_key = key;
    if (n > remaining()) {
        fail(fmt::format("truncated at byte {} reading {} ({} bytes, {} left)", m_offset, path_of(element_key), n,
                         remaining()));
        return false;
    }
    if (n > 0) {
        m_stream.read(static_cast<char*>(data), static_cast<std::streamsize>(n));
        auto got = static_cast<uint64_t>(m_stream.gcount());
        if (!m_stream || got != n) {
            fail(fmt::format("read error at byte {} reading {} ({} of {} bytes)", m_offset + got, path_of(element_key),
                             got, n));
            return false;
        }
    }
    m_offset += n;
    advance_element(key);
    return true;
}

void BinaryInputSerialization::fail(std::string message) {
    m_failed = true;
    m_error = std::move(message);
}

void BinaryInputSerialization::enter(std::string_view key) {
    std::string name;
    if (key.empty() && m_path.empty()) {
        name = "[0]";
    } else if (key.empty()) {
        name = fmt::format("[{}]", m_path.back().next_index++);
    } else {
        name = std::string(key);
    }
    m_path.push_back(PathEntry{std::move(name), 0});
}

void BinaryInputSerialization::advance_element(std::string_view key) {
    if (key.empty() && !m_path.empty()) {
        ++m_path.back().next_index;
    }
}

std::string BinaryInputSerialization::path_of(std::string_view key) const {
    std::string path;
    for (const PathEntry& entry : m_path) {
        // Every list holds its assets under this one key; it says nothing to a reader of the message.
        if (entry.key == "m_assets") {
            continue;
        }
        if (!path.empty() && !entry.key.empty() && entry.key.front() != '[') {
            path += '.';
        }
        path += entry.key;
    }
    std::string leaf;
    if (key == "m_assets") {
        return path;
    }
    if (key.empty()) {
        leaf = m_path.empty() ? std::string("[0]") : fmt::format("[{}]", m_path.back().next_index);
    } else {
        leaf = std::string(key);
    }
    if (!path.empty() && leaf.front() != '[') {
        path += '.';
    }
    path += leaf;
    return path;
}
