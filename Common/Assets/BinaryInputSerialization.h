#pragma once
// Reads little-endian values from a binary stream for the type walk. The stream is owned by the caller.
// The first short read or impossible count stops all further reading: later reads leave their targets
// untouched and later counts read as 0, so a damaged file costs no more than its own size.

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "Common/Assets/SerializationInterface.h"

class BinaryInputSerialization final : public InputSerializationInterface {
public:
    // Bytes from the stream's current position to its end bound every count.
    explicit BinaryInputSerialization(std::istream& stream);

    void begin_root() override;
    void end_root() override;
    void begin_object(std::string_view key) override;
    void end_object() override;
    void begin_array(std::string_view key) override;
    void end_array() override;
    void size(std::string_view key, uint64_t& n) override;
    void bytes(std::string_view key, void* data, uint64_t n) override;
    void int64(std::string_view key, int64_t& v) override;
    void uint64(std::string_view key, uint64_t& v) override;
    void float32(std::string_view key, float& v) override;
    void string(std::string_view key, std::string& s) override;
    bool accept_count(std::string_view key, uint64_t count, uint64_t element_bytes) override;

    bool failed() const { return m_failed; }
    // What went wrong and where, e.g. "truncated at byte 96 reading sprites[0].chunks[1].mask[17] (8 bytes, 3 left)".
    const std::string& error() const { return m_error; }
    // Bytes consumed so far.
    uint64_t offset() const { return m_offset; }
    uint64_t remaining() const { return m_size - m_offset; }

private:
    struct PathEntry {
        std::string key;
        // Next element index, counted for the empty keys met inside this container.
        uint64_t next_index = 0;
    };

    bool read(std::string_view key, void* data, uint64_t n);
    void fail(std::string message);
    void enter(std::string_view key);
    // Path of the value with this key at the current place, "sprites.m_assets[2].chunks".
    std::string path_of(std::string_view key) const;
    void advance_element(std::string_view key);

    std::istream& m_stream;
    uint64_t m_size = 0;
    uint64_t m_offset = 0;
    bool m_failed = false;
    std::string m_error;
    std::vector<PathEntry> m_path;
};
