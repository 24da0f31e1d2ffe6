// Number formatting of the measurement display: fixed patterns such as "0.000" with
// rounding half away from zero on the value as stored, and the E form for huge magnitudes.
#pragma once

#include <string>

// decimals digits after the separator; at a magnitude of 1e18 or more the E form with at
// most 15 significant digits; "INF", "-INF" and "NAN" for the special values.
std::string FormatFixed(double value, int decimals, char decimalSeparator);

// The decimal separator of the user's LC_NUMERIC locale, '.' when it gives none.
char LocaleDecimalSeparator();
