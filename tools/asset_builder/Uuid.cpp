#include "tools/asset_builder/Uuid.h"

namespace asset_builder {

Uuid uuid_from_name(std::string_view kind, std::string_view name) {
    using u128 = unsigned __int128;
    const u128 prime = (u128(1) << 88) | 0x13b;
    u128 hash = (u128(0x6c62272e07bb0142ULL) << 64) | 0x62b821756295c58dULL;
    auto mix = [&](std::string_view text) {
        for (unsigned char c : text) {
            hash ^= c;
            hash *= prime;
        }
    };
    mix(kind);
    mix(std::string_view("\0", 1));
    mix(name);
    Uuid out{};
    for (int i = 0; i < 16; ++i)
        out[i] = static_cast<uint8_t>(hash >> (8 * (15 - i)));
    // Mark it as a name-derived (version 8, RFC 4122 variant) uuid.
    out[6] = static_cast<uint8_t>((out[6] & 0x0f) | 0x80);
    out[8] = static_cast<uint8_t>((out[8] & 0x3f) | 0x80);
    return out;
}

} // namespace asset_builder
