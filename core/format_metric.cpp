#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "metrics.h"

namespace {

constexpr int kSignificant = 18;
constexpr int kDecimals = 3;

// Adds one unit to the last digit of a string of decimal digits.
void IncrementDigits(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

std::string FormatMetric(double value, std::string_view decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

    const bool negative = std::signbit(value);
    std::string intDigits = "0";
    std::string decimals(kDecimals, '0');

    if (value != 0) {
        // The magnitude as 18 significant digits, d.ddddddddddddddddde+XX.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", kSignificant - 1, std::fabs(value));
        std::string mantissa;
        mantissa += buf[0];
        mantissa.append(buf + 2, kSignificant - 1);
        const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
        // Digit j of the mantissa has the weight 10^(exponent - j); the
        // integer part holds the digits with j <= exponent.
        auto digitAt = [&](int j) { return j >= 0 && j < kSignificant ? mantissa[j] : '0'; };

        // Integer digits and three decimals, then the first digit cut off.
        std::string kept;
        for (int j = 0; j <= exponent; ++j) kept += digitAt(j);
        for (int f = 1; f <= kDecimals; ++f) kept += digitAt(exponent + f);
        const char cut = digitAt(exponent + kDecimals + 1);
        if (cut >= '5') IncrementDigits(kept);

        // A carry may have added a leading digit.
        intDigits = kept.substr(0, kept.size() - kDecimals);
        decimals = kept.substr(kept.size() - kDecimals);
        const size_t firstNonZero = intDigits.find_first_not_of('0');
        intDigits = firstNonZero == std::string::npos ? "0" : intDigits.substr(firstNonZero);
    }

    const bool zero = intDigits == "0" && decimals == std::string(kDecimals, '0');
    std::string text;
    if (negative && !zero) text += '-';
    text += intDigits;
    text += decimalSeparator;
    text += decimals;
    return text;
}
