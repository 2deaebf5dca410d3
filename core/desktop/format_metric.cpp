#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

#include "messages.h"
#include "metrics.h"

namespace {

constexpr int kSignificant = 18;

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

std::string FormatMetric(double value, std::string_view decimalSeparator, int places) {
    if (std::isnan(value)) return msg::kNotANumber;
    if (std::isinf(value)) return value < 0 ? msg::kMinusInfinity : msg::kInfinity;

    const bool negative = std::signbit(value);
    std::string intDigits = "0";
    std::string decimals(static_cast<size_t>(places), '0');

    if (value != 0) {
        // The magnitude as 18 significant digits, d.ddddddddddddddddde+XX.
        // to_chars ignores the C library's locale: once the desktop program
        // follows the user's LC_NUMERIC, printf's point may be several bytes.
        char buf[64];
        const std::to_chars_result written =
            std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, kSignificant - 1);
        if (written.ec != std::errc()) throw std::logic_error("FormatMetric: digits do not fit");
        const char* const e = std::find(buf, written.ptr, 'e');
        std::string mantissa;
        mantissa += buf[0];
        mantissa.append(buf + 2, kSignificant - 1);
        int exponent = 0;
        std::from_chars(e + (e[1] == '+' ? 2 : 1), written.ptr, exponent);
        // Digit j of the mantissa has the weight 10^(exponent - j); the
        // integer part holds the digits with j <= exponent.
        auto digitAt = [&](int j) { return j >= 0 && j < kSignificant ? mantissa[j] : '0'; };

        // Integer digits and the decimals, then the first digit cut off.
        std::string kept;
        for (int j = 0; j <= exponent; ++j) kept += digitAt(j);
        for (int f = 1; f <= places; ++f) kept += digitAt(exponent + f);
        const char cut = digitAt(exponent + places + 1);
        if (cut >= '5') IncrementDigits(kept);

        // A carry may have added a leading digit.
        intDigits = kept.substr(0, kept.size() - static_cast<size_t>(places));
        decimals = kept.substr(kept.size() - static_cast<size_t>(places));
        const size_t firstNonZero = intDigits.find_first_not_of('0');
        intDigits = firstNonZero == std::string::npos ? "0" : intDigits.substr(firstNonZero);
    }

    const bool zero = intDigits == "0" && decimals == std::string(static_cast<size_t>(places), '0');
    std::string text;
    if (negative && !zero) text += '-';
    text += intDigits;
    text += decimalSeparator;
    text += decimals;
    return text;
}
