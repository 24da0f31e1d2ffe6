// Turns the registers of one poll into the line the technician reads, keeping the exact
// spacing sensors of each profile have always been shown with.
#include "measurement_text.h"

#include <algorithm>
#include <bit>

namespace {

// The lower-numbered register carries the low-order half of the single.
double SingleFromSlots(uint16_t lowHalf, uint16_t highHalf)
{
    const uint32_t bits = static_cast<uint32_t>(highHalf) << 16 | lowHalf;
    return std::bit_cast<float>(bits);
}

// Every slot after the first gets its two-space separator, the odd ones too, although they
// hold only the high half of a value; hence four spaces between values and two at the end.
std::string Profile1Text(const MeasurementSlots& slots, int answered, char separator)
{
    const int shown = std::min(2 * answered, static_cast<int>(slots.size()));
    std::string text;
    for (int i = 0; i < shown; ++i) {
        if (i > 0)
            text += "  ";
        if (i % 2 == 0)
            text += FormatFixed(SingleFromSlots(slots[i], slots[i + 1]), 3, separator);
    }
    return text;
}

// Register 3 is read but never shown.
std::string Profile2Text(const MeasurementSlots& slots, int answered, char separator)
{
    const int shown = std::min(3 * answered, 3);
    std::string text;
    for (int i = 0; i < shown; ++i) {
        if (i > 0)
            text += "  ";
        text += FormatFixed(slots[i] * 0.01, 2, separator);
    }
    return text;
}

}  // namespace

std::string MeasurementText(uint8_t profile, const MeasurementSlots& slots, int answered,
                            char decimalSeparator)
{
    return profile == 2 ? Profile2Text(slots, answered, decimalSeparator)
                        : Profile1Text(slots, answered, decimalSeparator);
}
