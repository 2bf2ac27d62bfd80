#include "core/MulDiv.h"

namespace saver {

int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    int64_t product = int64_t(a) * int64_t(b);
    int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    // Adding half the divisor in the direction of the sign rounds halves away
    // from zero; the division itself truncates toward zero.
    const int64_t half = divisor / 2;
    const int64_t result = product < 0 ? (product - half) / divisor : (product + half) / divisor;
    if (result > INT32_MAX || result < -INT32_MAX)
        return -1;
    return int32_t(result);
}

} // namespace saver
