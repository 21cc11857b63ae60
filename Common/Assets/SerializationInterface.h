#pragma once
// The two serializer interfaces that the type walk drives: one reads values into records, one writes them out.

#include <cstdint>
#include <string>
#include <string_view>

// Keys are the field names of the tables; elements of arrays and vectors get the empty key.
class InputSerializationInterface {
public:
    virtual void begin_root() = 0;
    virtual void end_root() = 0;
    virtual void begin_object(std::string_view key) = 0;
    virtual void end_object() = 0;
    virtual void begin_array(std::string_view key) = 0;
    virtual void end_array() = 0;
    // Element count of a vector, length of a string or size of a byte block.
    virtual void size(std::string_view key, uint64_t& n) = 0;
    virtual void bytes(std::string_view key, void* data, uint64_t n) = 0;
    virtual void int64(std::string_view key, int64_t& v) = 0;
    virtual void uint64(std::string_view key, uint64_t& v) = 0;
    virtual void float32(std::string_view key, float& v) = 0;
    // Fills the string's current length; the walk has resized it to the length read by `size`.
    virtual void string(std::string_view key, std::string& s) = 0;
    // Asked right after `size`, before anything is allocated: can `count` elements of at least
    // `element_bytes` bytes each still be read? When not, the walk takes the container as empty.
    virtual bool accept_count(std::string_view key, uint64_t count, uint64_t element_bytes) = 0;

protected:
    ~InputSerializationInterface() = default;
};

class OutputSerializationInterface {
public:
    virtual void begin_root() = 0;
    virtual void end_root() = 0;
    virtual void begin_object(std::string_view key) = 0;
    virtual void end_object() = 0;
    virtual void begin_array(std::string_view key) = 0;
    virtual void end_array() = 0;
    virtual void size(std::string_view key, const uint64_t& n) = 0;
    virtual void bytes(std::string_view key, const void* data, uint64_t n) = 0;
    virtual void int64(std::string_view key, const int64_t& v) = 0;
    virtual void uint64(std::string_view key, const uint64_t& v) = 0;
    virtual void float32(std::string_view key, const float& v) = 0;
    virtual void string(std::string_view key, const std::string& s) = 0;

protected:
    ~OutputSerializationInterface() = default;
};
