#include "u_shared.h"

namespace corvela {

std::uint16_t ClassroomPort(std::int32_t classroom)
{
    if (classroom < kMinClassroom || classroom > kMaxClassroom)
        return kBasePort;
    return static_cast<std::uint16_t>(kBasePort + 10 * classroom);
}

std::uint16_t ClassroomPort(std::optional<std::int32_t> classroom)
{
    return classroom ? ClassroomPort(*classroom) : kBasePort;
}

std::int32_t QuitCheckValue(std::int32_t wParam)
{
    // 4294967279 is 0xFFFFFFEF read unsigned. For every 32-bit wParam the product stays
    // within signed 64 bits (|wParam| <= 2^31, factor < 2^32), and C++ '%' keeps the sign
    // of the dividend, so the remainder lies in (-2^31, 2^31) and fits the result.
    constexpr std::int64_t factor = 4294967279LL;
    constexpr std::int64_t modulus = 2147483647LL;
    const std::int64_t remainder = (static_cast<std::int64_t>(wParam) * factor) % modulus;
    return static_cast<std::int32_t>(remainder);
}

std::int32_t QuitRequestParameter(std::uint32_t tickCount)
{
    return static_cast<std::int32_t>(tickCount >> 1);
}

} // namespace corvela
