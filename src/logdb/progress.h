#pragma once
#include <cmath>

// Position 0..100 of the progress bar after `done` of `total` steps,
// rounded to the nearest whole number with halves going to the even one.
inline int progressPosition(long long done, long long total)
{
    if (total <= 0)
        return 0;
    const double exact = double(done) * 100.0 / double(total);
    return int(std::nearbyint(exact));   // default rounding mode: half to even
}
