#pragma once
// Prints a record walked by the output type walk as compact JSON: no whitespace, no escaping; sizes, raw byte
// blocks and uuids are left out.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "Common/Assets/SerializationInterface.h"

class JsonOutputSerialization final : public OutputSerializationInterface {
public:
    explicit JsonOutputSerialization(std::ostream& stream) : m_stream(stream) {}

    void begin_root() override;
    void end_root() override;
    void begin_object(std::string_view key) override;
    void end_object() override;
    void begin_array(std::string_view key) override;
    void end_array() override;
    void size(std::string_view key, const uint64_t& n) override;
    void bytes(std::string_view key, const void* data, uint64_t n) override;
    void int64(std::string_view key, const int64_t& v) override;
    void uint64(std::string_view key, const uint64_t& v) override;
    void float32(std::string_view key, const float& v) override;
    void string(std::string_view key, const std::string& s) override;

private:
    // The comma owed by the previous value, then the key when the innermost container is an object.
    void key_prefix(std::string_view key);
    void close(char bracket);

    std::ostream& m_stream;
    // One bit per open container: true for an object, false for an array.
    std::vector<bool> m_containers;
    bool m_need_comma = false;
};
