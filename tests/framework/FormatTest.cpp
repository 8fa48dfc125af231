#include "Format.h"
#include "IntText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

using fw::Format;
using fw::FormatArg;

struct Case {
    const wchar_t* format;
    std::vector<FormatArg> args;
    const wchar_t* expected; // nullptr: the text must be refused
};

void Check(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        std::wstring shown = c.format;
        std::optional<std::wstring> r = Format(c.format, c.args);
        if (c.expected) {
            ASSERT_TRUE(r.has_value()) << "refused: " << testing::PrintToString(shown);
            EXPECT_EQ(*r, c.expected) << testing::PrintToString(shown);
        } else {
            EXPECT_FALSE(r.has_value()) << "accepted: " << testing::PrintToString(shown) << " gave "
                                        << testing::PrintToString(r.value_or(L""));
        }
    }
}

TEST(Format, TheProgramsOwnTexts)
{
    Check({
        {L"%s: %d%%", {L"&1", 10}, L"&1: 10%"},
        {L"Volume%d (%d%%)", {1, 10}, L"Volume1 (10%)"},
        {L"Tool%d (%s)", {3, L"Editor"}, L"Tool3 (Editor)"},
        {L"Speakers: %d%%", {45}, L"Speakers: 45%"},
        {L"Speakers: %f%%", {45.0}, L"Speakers: 45.00%"},
        {L"Speakers: %.2f%%", {49.99969482421875}, L"Speakers: 50.00%"},
        {L"%s Version %s.%s.%s (Build %s)",
         {L"Lorvane", L"1", L"8", L"3", L"104"},
         L"Lorvane Version 1.8.3 (Build 104)"},
        {L"no specifiers at all", {}, L"no specifiers at all"},
        {L"", {1}, L""},
        {L"100%%", {}, L"100%"},
        {L"%d%%", {7, L"unused", 2.0}, L"7%"}, // arguments beyond the last used are ignored
    });
}

TEST(Format, WidthPrecisionFlagsAndCase)
{
    Check({
        {L"[%5d]", {42}, L"[   42]"},
        {L"[%-5d]", {42}, L"[42   ]"},
        {L"[%05d]", {-42}, L"[-0042]"},
        {L"[%-05d]", {42}, L"[42   ]"},
        {L"[%.3d]", {7}, L"[007]"},
        {L"[%.3d]", {-7}, L"[-007]"},
        {L"[%8.3f]", {3.14159}, L"[   3.142]"},
        {L"[%.0f]", {2.5}, L"[2]"}, // an exact binary tie rounds to even
        {L"[%.1f]", {-0.04}, L"[-0.0]"},
        {L"[%f]", {-0.0}, L"[0.00]"},
        {L"[%f]", {std::nan("")}, L"[NAN]"},
        {L"[%f]", {-HUGE_VAL}, L"[-INF]"},
        {L"[%6s]", {L"ab"}, L"[    ab]"},
        {L"[%-6s]", {L"ab"}, L"[ab    ]"},
        {L"[%06s]", {L"ab"}, L"[    ab]"}, // zeros pad numbers only
        {L"[%.2s]", {L"abc"}, L"[ab]"},
        {L"[%D|%S|%F]", {1, L"x", 1.5}, L"[1|x|1.50]"},
        {L"%d", {LLONG_MIN}, L"-9223372036854775808"},
        {L"%d", {UINT_MAX}, L"4294967295"},
    });
}

TEST(Format, IndexedArgumentsReorderAndContinue)
{
    Check({
        {L"%1:d%% (%0:s)", {L"Speakers", 30}, L"30% (Speakers)"},
        {L"%1:s %s %0:s", {L"a", L"b", L"c"}, L"b c a"},
        {L"%0:s%0:s", {L"x"}, L"xx"},
        {L"%2:s", {L"a", L"b"}, nullptr},
        {L"%1:s %s", {L"a", L"b"}, nullptr}, // the unindexed one would read past the end
    });
}

// Language texts are user data: every one of these must be refused, not guessed at.
TEST(Format, HostileTextsAreRefused)
{
    Check({
        {L"%s", {5}, nullptr},
        {L"%d", {L"5"}, nullptr},
        {L"%d", {5.0}, nullptr},
        {L"%f", {5}, nullptr}, // callers retry with the real value
        {L"Speakers: 45%", {45}, nullptr},
        {L"%", {1}, nullptr},
        {L"%5", {1}, nullptr},
        {L"%.", {1}, nullptr},
        {L"%n", {1}, nullptr},
        {L"%p %x %u %e %g %c %i", {1, 1, 1, 1, 1, 1, 1}, nullptr},
        {L"%d %d %d %d %d %d %d %d %d %d %d %d", {1}, nullptr},
        {L"%s%s%s%s%s%s%s%s%s%s%s%s", {}, nullptr},
        {L"%*d", {3, 4}, nullptr},
        {L"%:s", {L"a"}, nullptr},
        {L"%5-d", {1}, nullptr},
        {L"%99999999999999999999d", {1}, nullptr},
        {L"%.99999999999999999999f", {1.0}, nullptr},
        {L"%4294967297:s", {L"a"}, nullptr},
        {L"%1025d", {1}, nullptr},
    });
}

TEST(Format, BoundsAreGenerousButFinite)
{
    std::optional<std::wstring> wide = Format(L"%1024d", {1});
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->size(), 1024u);
    std::optional<std::wstring> big = Format(L"%.1024f", {1e308});
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), 309u + 1 + 1024);
}

TEST(Format, PrecisionOfAStringKeepsSurrogatePairsWhole)
{
    const std::wstring text = L"ab\U0001F50Acd"; // a, b, high, low, c, d
    EXPECT_EQ(Format(L"%.3s", {text}), std::wstring(L"ab"));
    EXPECT_EQ(Format(L"%.4s", {text}), std::wstring(L"ab\U0001F50A"));
}

TEST(Format, DecimalSeparatorComesFromTheSettings)
{
    fw::TFormatSettings german;
    german.DecimalSeparator = L',';
    EXPECT_EQ(Format(L"%.2f%%", {45.5}, german), std::wstring(L"45,50%"));
    EXPECT_EQ(Format(L"%d", {45}, german), std::wstring(L"45"));
}

} // namespace

// Whole numbers as text without printf: the same digits as std::to_wstring and "%0NX"/"%x".
TEST(IntText, DecimalMatchesTheLibraryAcrossTheRange)
{
    for (long long v : {0LL, 1LL, -1LL, 9LL, 10LL, -10LL, 99LL, 100LL, 65535LL, 2147483647LL, -2147483648LL,
                        4294967295LL, LLONG_MAX, LLONG_MIN})
        EXPECT_EQ(fw::IntToStr(v), std::to_wstring(v)) << v;
}

TEST(IntText, HexadecimalIsZeroPaddedToTheLeastDigitsInEitherCase)
{
    struct {
        unsigned long long value;
        int digits;
        bool upper;
        const wchar_t* expected;
    } cases[] = {
        {0, 1, true, L"0"},
        {0, 4, true, L"0000"},
        {0x409, 4, true, L"0409"},
        {0x4B0, 4, true, L"04B0"},
        {0x4b0, 4, false, L"04b0"},
        {0x12345, 4, true, L"12345"},
        {0xFFFFFFFF, 1, false, L"ffffffff"},
        {ULLONG_MAX, 1, true, L"FFFFFFFFFFFFFFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fw::IntToHex(c.value, c.digits, c.upper), c.expected) << c.value;
}
