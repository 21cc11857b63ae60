#include "Engine/Graphics/FramePacer.h"

uint64_t frame_period_ns(int32_t refresh_hz) {
    constexpr int32_t kMaxRefreshHz = 1000;
    if (refresh_hz <= 0 || refresh_hz > kMaxRefreshHz) {
        refresh_hz = kDefaultRefreshHz;
    }
    return 1'000'000'000ull / static_cast<uint64_t>(refresh_hz);
}

uint64_t frame_pacer_wait(FramePacer& pacer, uint64_t now_ns) {
    if (now_ns < pacer.next_ns) {
        uint64_t wait = pacer.next_ns - now_ns;
        pacer.next_ns += pacer.period_ns;
        return wait;
    }
    pacer.next_ns = now_ns + pacer.period_ns;
    return 0;
}
