#pragma once
// Writes the type walk's values as the bytes BinaryInputSerialization reads: little-endian, no header, counts
// and 32-bit fields as 8 bytes, floats as 4, raw blocks as they are. The asset builder writes assets.bin with it,
// so the file is written from the same field tables the loader reads it by.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Common/Assets/SerializationInterface.h"

class BinaryOutputSerialization final : public OutputSerializationInterface {
public:
    void begin_root() override {}
    void end_root() override {}
    void begin_object(std::string_view) override {}
    void end_object() override {}
    void begin_array(std::string_view) override {}
    void end_array() override {}
    void size(std::string_view key, const uint64_t& n) override;
    void bytes(std::string_view key, const void* data, uint64_t n) override;
    void int64(std::string_view key, const int64_t& v) override;
    void uint64(std::string_view key, const uint64_t& v) override;
    void float32(std::string_view key, const float& v) override;
    void string(std::string_view key, const std::string& s) override;

    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    // Least significant byte first.
    void little_endian(uint64_t v, int count);

    std::vector<uint8_t> m_bytes;
};
