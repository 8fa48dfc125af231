// Seeded command tails and verbs through the parser: whatever the text, the tail is trimmed,
// waits fit a timer, numbers are finite and levels stay in range.
#include "CommandLine.h"
#include "Level.h"
#include "FuzzRun.h"
#include "ToolCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using namespace lorvane;

std::wstring RandomTail(std::mt19937& rng)
{
    static const wchar_t* const pieces[] = {
        L"-",
        L"/",
        L"Volume:",
        L"volume:",
        L"Mute:",
        L"Sound:",
        L"Device:",
        L"Action:",
        L"\"",
        L" ",
        L"\t",
        L"%",
        L"!",
        L"+",
        L"-",
        L".",
        L",",
        L"e",
        L"E+308",
        L"1e999",
        L"nan",
        L"inf",
        L"0",
        L"50",
        L"100",
        L"-0.1",
        L"1.5",
        L"99999999999999999999",
        L"on",
        L"off",
        L"toggle",
        L"1",
        L"2",
        L"MuteOn",
        L"Headset (USB)",
        L"{0.0.0.00000000}.{x}",
        L"\x01",
        L"\u00A0",
        L"\uFFFF",
        L"\xD800",
        L"C:\\Lorvane.exe",
        L"ä",
        L"\r\n",
        L"::",
    };
    std::wstring s;
    for (int n = std::uniform_int_distribution<int>(0, 9)(rng); n-- > 0;)
        s += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(rng)];
    if (rng() % 8 == 0)
        s.insert(s.begin() + rng() % (s.size() + 1), static_cast<wchar_t>(rng() & 0xFFFF));
    return s;
}

bool Blank(wchar_t c)
{
    return c <= 32;
}

TEST(CommandLineFuzz, AnyTailParsesToSaneValues)
{
    std::mt19937 rng(1208u);
    const int cases = fuzz::Cases(50000);
    long failed = 0;
    ToolCheckState state;
    state.levelPercent = 40;
    state.percentOfLevel = [](long long level) { return level * 100 / 65535; };
    state.levelOfPercent = [](long double p) { return PercentToLevel(p, 0, 65535); };
    state.actionChecked = [](const std::wstring&) { return true; };
    for (int i = 0; i < cases; ++i) {
        const std::wstring raw =
            (rng() % 2 ? L"\"C:\\Program Files\\Lorvane.exe\" " : L"Lorvane ") + RandomTail(rng);
        SCOPED_TRACE(testing::Message() << "case " << i);
        const long before = fuzz::FailedChecks();
        const std::wstring tail = CommandTail(raw);
        EXPECT_TRUE(tail.empty() || (!Blank(tail.front()) && !Blank(tail.back())));
        const std::wstring text = tail.empty() || tail[0] != L'-' ? tail : tail.substr(1);
        if (auto wait = ParseStartWait(text)) {
            EXPECT_LE(*wait, static_cast<unsigned>(USER_TIMER_MAXIMUM));
        }
        for (const wchar_t* verb : {L"Volume:", L"Sound:", L"Mute:", L"Device:", L"Action:"}) {
            std::optional<std::wstring> value = MatchVerb(text, verb);
            if (!value)
                continue;
            EXPECT_EQ(*value, Trim(*value));
            ParseMuteValue(*value);
            for (wchar_t sep : {L'.', L','}) {
                std::optional<long double> p = ParseDecimal(value->substr(0, value->find(L'%')), sep);
                if (!p)
                    continue;
                EXPECT_TRUE(std::isfinite(*p));
                const long long level = PercentToLevel(*p, 0, 65535);
                EXPECT_LE(std::llabs(level), 1000000000000000LL);
                if (*p >= 0 && *p <= 100) {
                    EXPECT_TRUE(level >= 0 && level <= 65535) << level;
                }
            }
        }
        ToolCommandChecked(text, state);
        if (fuzz::FailedChecks() != before && ++failed > 5)
            break;
    }
    fuzz::Tally::Add("command tails and verbs", cases, failed);
}

} // namespace

// Every percentage with up to three decimals, in the ways a user writes it, gives the level of
// the exact decimal value rounded half away from zero, worked out here in whole numbers.
TEST(CommandLineFuzz, WrittenPercentagesRoundExactly)
{
    long failed = 0, cases = 0;
    for (long long k = -110000; k <= 110000; ++k) { // thousandths of a percent
        const long long n = k * 65535, exact = n >= 0 ? (n + 50000) / 100000 : -((-n + 50000) / 100000);
        const std::wstring w = std::to_wstring(std::llabs(k) / 1000),
                           f = std::to_wstring(1000 + std::llabs(k) % 1000);
        const std::wstring sign = k < 0 ? L"-" : L"";
        for (const std::wstring& text :
             {sign + w + L"." + f.substr(1), sign + std::to_wstring(std::llabs(k)) + L"e-3",
              sign + L"0" + w + f.substr(1) + L"E-3", sign + w + L"." + f.substr(1) + L"0e0"}) {
            ++cases;
            const std::optional<long double> p = ParseDecimal(text, L'.');
            if (!p || PercentToLevel(*p, 0, 65535) != exact) {
                ADD_FAILURE() << std::string(text.begin(), text.end()) << " gives "
                              << (p ? PercentToLevel(*p, 0, 65535) : -1) << ", not " << exact;
                if (++failed > 10)
                    return;
            }
        }
    }
    fuzz::Tally::Add("written percentages", cases, failed);
}
