// The display must round exactly as sensors' values have always been shown: half away from
// zero on the stored binary value, which differs from printf's rounding in both directions.
#include "measurement_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include <unistd.h>

namespace {

struct FormatCase {
    double value;
    int decimals;
    char separator;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.expected;
}

class FormatFixedTest : public testing::TestWithParam<FormatCase> { };

TEST_P(FormatFixedTest, FormatsAsShownOnTheDisplay)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(c.expected, FormatFixed(c.value, c.decimals, c.separator));
}

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatFixedTest,
    testing::Values(
        // Plain values of both patterns.
        FormatCase{21.5, 3, '.', "21.500"}, FormatCase{-2.0, 3, '.', "-2.000"},
        FormatCase{0.0, 3, '.', "0.000"}, FormatCase{65535 * 0.01, 2, '.', "655.35"},
        FormatCase{125 * 0.01, 2, '.', "1.25"},
        // Exact binary halves go away from zero (printf gives 0.062 and 0.12).
        FormatCase{0.0625, 3, '.', "0.063"}, FormatCase{-0.0625, 3, '.', "-0.063"},
        FormatCase{0.125, 2, '.', "0.13"}, FormatCase{2.5, 0, '.', "3"},
        // Decimal "halves" stored just below the half round down: no double rounding.
        FormatCase{1.0005, 3, '.', "1.000"}, FormatCase{0.995, 2, '.', "0.99"},
        // Carries through every digit into a new one.
        FormatCase{9.9996, 3, '.', "10.000"}, FormatCase{999.9996, 3, '.', "1000.000"},
        // A negative value that rounds to zero has no sign; neither has minus zero.
        FormatCase{-0.0004, 3, '.', "0.000"}, FormatCase{-0.0, 3, '.', "0.000"},
        FormatCase{-0.4, 0, '.', "0"}, FormatCase{-5e-324, 3, '.', "0.000"},
        // The largest double below 1e18 still uses the pattern.
        FormatCase{999999999999999872.0, 3, '.', "999999999999999872.000"},
        // From 1e18 on: the E form, 15 significant digits, no trailing zeros.
        FormatCase{1e18, 3, '.', "1E18"}, FormatCase{1.5e18, 3, '.', "1.5E18"},
        FormatCase{18446744073709551616.0, 3, '.', "1.84467440737096E19"},
        FormatCase{-18446744073709551616.0, 3, '.', "-1.84467440737096E19"},
        FormatCase{9999999999999997952.0, 3, '.', "1E19"},
        FormatCase{std::numeric_limits<float>::max(), 3, '.', "3.40282346638529E38"},
        // Special values, never with a sign on NaN.
        FormatCase{Inf, 3, '.', "INF"}, FormatCase{-Inf, 3, '.', "-INF"},
        FormatCase{NaN, 3, '.', "NAN"}, FormatCase{-NaN, 2, '.', "NAN"},
        // Another locale's separator, in both forms.
        FormatCase{21.5, 3, ',', "21,500"}, FormatCase{-0.0625, 2, ',', "-0,06"},
        FormatCase{18446744073709551616.0, 3, ',', "1,84467440737096E19"}));

// Runs body with LC_NUMERIC set to locale, restoring the previous one afterwards.
template <typename Body> bool WithNumericLocale(const char* locale, Body body)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, locale) == nullptr)
        return false;
    body();
    std::setlocale(LC_NUMERIC, previous.c_str());
    return true;
}

TEST(LocaleDecimalSeparator, IsThePointInTheCLocale)
{
    EXPECT_TRUE(WithNumericLocale("C", [] { EXPECT_EQ('.', LocaleDecimalSeparator()); }));
}

// Few build machines have a comma locale installed, so one is compiled into a temporary
// directory when needed; without localedef and its sources the test is skipped. The window
// runs with the user's locale, so the formatting must hold under it too.
TEST(LocaleDecimalSeparator, FollowsACommaLocale)
{
    const auto check = [] {
        EXPECT_EQ(',', LocaleDecimalSeparator());
        EXPECT_EQ("21,500", FormatFixed(21.5, 3, LocaleDecimalSeparator()));
        EXPECT_EQ("0,063", FormatFixed(0.0625, 3, ','));
    };
    for (const char* installed : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
        if (WithNumericLocale(installed, check))
            return;

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tarnwell-locale-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    // localedef exits non-zero on mere warnings, so the result is judged by the setlocale.
    (void)std::system(command.c_str());
    setenv("LOCPATH", dir.c_str(), 1);
    const bool compiled = WithNumericLocale("de_DE.UTF-8", check);
    unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
    if (!compiled)
        GTEST_SKIP() << "no locale with a decimal comma could be installed or compiled";
}

}  // namespace
