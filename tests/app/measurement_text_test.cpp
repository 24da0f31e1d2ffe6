// The measurement line is read by eye and compared with older readings, so its spacing and
// the order of the register halves are part of what it shows.
#include "measurement_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <initializer_list>
#include <limits>

namespace {

// Profile 1 slots as the sensor delivers them: each single's low-order half first.
MeasurementSlots Singles(std::initializer_list<float> values)
{
    MeasurementSlots slots{};
    std::size_t i = 0;
    for (float value : values) {
        const auto bits = std::bit_cast<uint32_t>(value);
        slots[i++] = static_cast<uint16_t>(bits & 0xFFFF);
        slots[i++] = static_cast<uint16_t>(bits >> 16);
    }
    return slots;
}

struct TextCase {
    const char* name;
    uint8_t profile;
    MeasurementSlots slots;
    int answered;
    char separator;
    const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class MeasurementTextTest : public testing::TestWithParam<TextCase> { };

TEST_P(MeasurementTextTest, BuildsTheDisplayLine)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(c.expected, MeasurementText(c.profile, c.slots, c.answered, c.separator));
}

const float FloatMax = std::numeric_limits<float>::max();
const float FloatNaN = std::numeric_limits<float>::quiet_NaN();
const float FloatInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Profiles, MeasurementTextTest,
    testing::Values(TextCase{"three singles: four spaces between, two after", 1,
                             Singles({21.5f, 1.0f, -2.0f}), 3, '.', "21.500    1.000    -2.000  "},
                    TextCase{"only the first request answered", 1, Singles({21.5f, 1.0f, -2.0f}), 1,
                             '.', "21.500  "},
                    TextCase{"two requests answered", 1, Singles({21.5f, 1.0f, -2.0f}), 2, '.',
                             "21.500    1.000  "},
                    // Both halves are non-zero, so swapped halves would show a different number.
                    TextCase{"low-order half in the lower register", 1,
                             Singles({123.456f, 0.0625f, 0.0f}), 3, '.',
                             "123.456    0.063    0.000  "},
                    TextCase{"float extremes", 1, Singles({FloatMax, FloatNaN, -FloatInf}), 3, '.',
                             "3.40282346638529E38    NAN    -INF  "},
                    TextCase{"locale separator", 1, Singles({21.5f, 1.0f, -2.0f}), 3, ',',
                             "21,500    1,000    -2,000  "},
                    TextCase{"hundredths, register 3 not shown", 2,
                             MeasurementSlots{125, 0, 65535, 999}, 1, '.', "1.25  0.00  655.35"},
                    TextCase{"hundredths with the locale separator", 2,
                             MeasurementSlots{1, 10, 100, 0}, 1, ',', "0,01  0,10  1,00"}));

}  // namespace
