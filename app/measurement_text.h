// Number formatting of the measurement display: fixed patterns such as "0.000" with
// rounding half away from zero on the value as stored, the E form for huge magnitudes, and
// the display text a poll builds from the registers it read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// decimals digits after the separator; at a magnitude of 1e18 or more the E form with at
// most 15 significant digits; "INF", "-INF" and "NAN" for the special values.
std::string FormatFixed(double value, int decimals, char decimalSeparator);

// The decimal separator of the user's LC_NUMERIC locale, '.' when it gives none.
char LocaleDecimalSeparator();

// The registers one poll read, slot r * n + i holding register i of request r.
using MeasurementSlots = std::array<uint16_t, 6>;

// The text shown for a poll of the given profile (2, or otherwise 1) whose first `answered`
// requests succeeded: profile 1 one single-precision value per request, four spaces
// between values and two after the last; profile 2 three hundredths, two spaces between.
std::string MeasurementText(uint8_t profile, const MeasurementSlots& slots, int answered,
                            char decimalSeparator);
