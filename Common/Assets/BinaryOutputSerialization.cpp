#include "Common/Assets/BinaryOutputSerialization.h"

#include <bit>

void BinaryOutputSerialization::little_endian(uint64_t v, int count) {
    for (int i = 0; i < count; ++i) {
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void BinaryOutputSerialization::size(std::string_view, const uint64_t& n) { little_endian(n, 8); }

void BinaryOutputSerialization::bytes(std::string_view, const void* data, uint64_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + n);
}

void BinaryOutputSerialization::int64(std::string_view, const int64_t& v) {
    little_endian(static_cast<uint64_t>(v), 8);
}

void BinaryOutputSerialization::uint64(std::string_view, const uint64_t& v) { little_endian(v, 8); }

void BinaryOutputSerialization::float32(std::string_view, const float& v) {
    little_endian(std::bit_cast<uint32_t>(v), 4);
}

void BinaryOutputSerialization::string(std::string_view key, const std::string& s) { bytes(key, s.data(), s.size()); }
