// Number formatting with a table of powers of ten.
#include "data/number_format.h"

#include <cmath>

namespace {
const int64_t PowersOfTen[19] = {1,
                                 10,
                                 100,
                                 1000,
                                 10000,
                                 100000,
                                 1000000,
                                 10000000,
                                 100000000,
                                 1000000000,
                                 10000000000,
                                 100000000000,
                                 1000000000000,
                                 10000000000000,
                                 100000000000000,
                                 1000000000000000,
                                 10000000000000000,
                                 100000000000000000,
                                 1000000000000000000};
constexpr int MaxScaleDigits = 9;
constexpr int MaxLimitDigits = 18;

// Writes |n| with at least `width` digits; returns the end.
char* putDigits(char* p, uint64_t n, int width) {
    char tmp[24];
    int len = 0;
    do {
        tmp[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    for (int i = len; i < width && i < 20; ++i)
        *p++ = '0';
    while (len > 0)
        *p++ = tmp[--len];
    return p;
}

char* putInteger(char* p, int64_t n, bool negative, int zeroPad) {
    uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    if (negative) *p++ = '-';
    return putDigits(p, magnitude, zeroPad - (negative ? 1 : 0));
}
} // namespace

int formatNumber(char* buf, double value, int decimals, int zeroPad, int maxDigits) {
    if (zeroPad > 20) zeroPad = 20;
    if (maxDigits > MaxLimitDigits) maxDigits = MaxLimitDigits;
    const double limit = maxDigits <= 0 ? 2147483647.0 : double(PowersOfTen[maxDigits] - 1);

    int scaleDigits = 0;
    double x = value;
    if (decimals == DecimalsIntegerWithPoint) {
        scaleDigits = 0;
    } else if (decimals <= 0) {
        scaleDigits = -decimals < MaxScaleDigits ? -decimals : MaxScaleDigits;
        x = value / double(PowersOfTen[scaleDigits]);
    } else {
        scaleDigits = decimals < MaxScaleDigits ? decimals : MaxScaleDigits;
        x = value * double(PowersOfTen[scaleDigits]);
    }
    const int64_t s = PowersOfTen[scaleDigits];
    double r = x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
    if (std::isnan(r)) r = 0;
    if (r > limit) r = limit;
    // Keeps the conversion (and, for negative decimals, the product) inside 64 bits.
    const double lowest = -double(INT64_MAX / s / 10);
    if (r < lowest) r = lowest;
    int64_t n = static_cast<int64_t>(r);

    char* p = buf;
    if (decimals == DecimalsIntegerWithPoint) {
        p = putInteger(p, n, n < 0, zeroPad);
        *p++ = '.';
    } else if (decimals <= 0) {
        n *= s;
        p = putInteger(p, n, n < 0, zeroPad);
    } else {
        p = putInteger(p, n / s, n < 0, zeroPad);
        *p++ = '.';
        int64_t frac = n % s;
        p = putDigits(p, static_cast<uint64_t>(frac < 0 ? -frac : frac), scaleDigits);
    }
    *p = '\0';
    return static_cast<int>(p - buf);
}
