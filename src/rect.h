// The one conversion from a double position or size to an SDL_Rect field.
//
// Positions are doubles; wherever one meets SDL (an overlap test or a blit) it is
// truncated toward zero and cut to its low 16 bits, read as signed for x and y and
// as unsigned for sizes. Done through modular arithmetic so that any input, however
// far out, gives a defined result instead of an out-of-range cast.
#pragma once

#include <SDL.h>

#include <cmath>
#include <cstdint>

inline Uint16 low16(double v)
{
    if (!std::isfinite(v)) {
        return 0;
    }
    const double whole = std::trunc(v);
    // Beyond int64 range, fmod keeps exactly the low bits we want (it is exact here).
    const double small = std::fabs(whole) < 9.0e18 ? whole : std::fmod(whole, 65536.0);
    return static_cast<Uint16>(static_cast<std::int64_t>(small));
}

inline Sint16 rect_coord(double v) { return static_cast<Sint16>(low16(v)); }
inline Uint16 rect_size(double v) { return low16(v); }
