// Formatting of numbers for display with integer arithmetic after one rounding.
#pragma once

#include <cstdint>

// Decimal places value meaning "integer followed by a point".
constexpr int DecimalsIntegerWithPoint = 80;
// formatNumber writes at most this many bytes, the final 0 included.
constexpr int NumberTextSize = 48;

// Writes value into buf (NumberTextSize bytes) and returns the length. decimals > 0: digits
// after the point; 0: integer; < 0: rounded to 10^-decimals; 80: integer and a point.
// Halves round away from zero; zeroPad is the minimum width of the integer part (sign
// included); the rounded number is at most 10^maxDigits - 1 (2147483647 when maxDigits is
// 0). A value between -1 and 0 keeps its sign ("-0.5"); one that rounds to 0 has none.
int formatNumber(char* buf, double value, int decimals, int zeroPad, int maxDigits);
