// Measurement values are rounded half away from zero on the exact binary value, which the C
// library's own rounding (half to even, and decimal-rounded first) does not give, so the
// digits are taken exactly and rounded here.
#include "measurement_text.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Enough fraction digits to print any double exactly: the smallest subnormal, 2^-1074,
// has 1074 of them.
constexpr int ExactFractionDigits = 1074;

// Digits of at most 15 significant figures in the E form.
constexpr std::size_t SignificantDigits = 15;

std::string Printed(const char* format, int precision, double magnitude)
{
    const int length = std::snprintf(nullptr, 0, format, precision, magnitude);
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, precision, magnitude);
    return text;
}

// Adds one in the last place; true when the carry runs out at the front (99 -> 00), so the
// caller must put a leading 1.
bool CarryOut(std::string& digits)
{
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
        if (*digit != '9') {
            ++*digit;
            return false;
        }
        *digit = '0';
    }
    return true;
}

// Dropping everything after `kept` digits rounds half away from zero exactly when the first
// dropped digit of the exact expansion is 5 or more.
void RoundAt(std::string& digits, std::size_t kept)
{
    const bool up = kept < digits.size() && digits[kept] >= '5';
    digits.resize(kept);
    if (up && CarryOut(digits))
        digits.insert(digits.begin(), '1');
}

std::string Fixed(double magnitude, bool negative, int decimals, char separator)
{
    const std::string exact = Printed("%.*f", ExactFractionDigits, magnitude);
    // printf writes the locale's decimal separator, which the window's locale may make a
    // comma: the integer digits end at the first character that is not a digit.
    const std::size_t point = exact.find_first_not_of("0123456789");
    std::string digits = exact.substr(0, point) + exact.substr(point + 1);
    RoundAt(digits, point + static_cast<std::size_t>(decimals));

    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    const std::size_t integerDigits = digits.size() - static_cast<std::size_t>(decimals);
    std::string text = negative && !zero ? "-" : "";
    text += digits.substr(0, integerDigits);
    if (decimals > 0) {
        text += separator;
        text += digits.substr(integerDigits);
    }
    return text;
}

// Only reached at 1e18 and above, where every double is a whole number, so "%.0f" already
// holds every digit exactly.
std::string Exponential(double magnitude, bool negative, char separator)
{
    std::string digits = Printed("%.*f", 0, magnitude);
    int exponent = static_cast<int>(digits.size()) - 1;
    RoundAt(digits, SignificantDigits);
    if (digits.size() > SignificantDigits) {
        ++exponent;
        digits.resize(SignificantDigits);
    }
    digits.erase(digits.find_last_not_of('0') + 1);

    std::string text = negative ? "-" : "";
    text += digits[0];
    if (digits.size() > 1) {
        text += separator;
        text += digits.substr(1);
    }
    return text + "E" + std::to_string(exponent);
}

}  // namespace

std::string FormatFixed(double value, int decimals, char decimalSeparator)
{
    if (std::isnan(value))
        return "NAN";
    const bool negative = std::signbit(value);
    if (std::isinf(value))
        return negative ? "-INF" : "INF";
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e18)
        return Exponential(magnitude, negative, decimalSeparator);
    return Fixed(magnitude, negative, std::clamp(decimals, 0, ExactFractionDigits - 1),
                 decimalSeparator);
}

char LocaleDecimalSeparator()
{
    // A separator of more than one byte (some locales use U+066B) cannot be shown as one
    // char; the plain point is the honest fallback.
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr ||
        std::strlen(conventions->decimal_point) != 1)
        return '.';
    return conventions->decimal_point[0];
}
