#pragma once
// {fmt} formatters for the glm vector types used in log lines.

#include <fmt/format.h>
#include <glm/glm.hpp>

template <glm::length_t N, typename T, glm::qualifier Q>
struct fmt::formatter<glm::vec<N, T, Q>> {
    constexpr auto parse(fmt::format_parse_context& ctx) { return ctx.begin(); }
    template <typename Ctx>
    auto format(const glm::vec<N, T, Q>& v, Ctx& ctx) const {
        auto out = fmt::format_to(ctx.out(), "(");
        for (glm::length_t i = 0; i < N; ++i) {
            out = fmt::format_to(out, i == 0 ? "{}" : ", {}", v[i]);
        }
        return fmt::format_to(out, ")");
    }
};
