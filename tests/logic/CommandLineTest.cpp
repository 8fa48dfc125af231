#include "CommandLine.h"
#include "Level.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

TEST(CommandTail, SplitsAfterThePathQuotedOrNot)
{
    struct Case {
        const wchar_t* raw;
        const wchar_t* tail;
    } cases[] = {
        {L"\"C:\\Program Files\\Lorvane\\Lorvane.exe\" -Volume:50", L"-Volume:50"},
        {L"\"C:\\Lorvane.exe\"   -Sound:!30%Headset (USB Audio Device)  ", L"-Sound:!30%Headset (USB Audio Device)"},
        {L"C:\\Lorvane\\Lorvane.exe 10", L"10"},
        {L"C:\\Lorvane\\Lorvane.exe", L""},                 // unquoted path without arguments
        {L"\"C:\\Program Files\\Lorvane.exe\"", L""},       // quote never followed by a blank
        {L"\"C:\\a b\\Lorvane.exe\"\t-5", L""},             // only a blank ends the quoted path
        {L" -Volume:50", L""},                              // separator at the very start
        {L"Lorvane.exe \t -Mute:! \r\n", L"-Mute:!"},
        {L"", L""},
        // One quoted argument, as a shell passes a value with blanks.
        {L"Lorvane.exe \"-Device:Headset (USB Audio Device)\"", L"-Device:Headset (USB Audio Device)"},
        {L"\"C:\\Lorvane.exe\" \"-Mute:on\" \"x\"", L"\"-Mute:on\" \"x\""}, // several: kept as they are
        {L"Lorvane.exe \"\"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandTail(c.raw), c.tail) << c.raw;
}

TEST(StartWait, DotDecimalSecondsTruncatedToMilliseconds)
{
    EXPECT_EQ(ParseStartWait(L"10"), 10000u);
    EXPECT_EQ(ParseStartWait(L"0.1"), 100u);
    EXPECT_EQ(ParseStartWait(L"-5"), 5000u);  // "--5": one "-" was removed, the rest is negative
    EXPECT_EQ(ParseStartWait(L"0"), 0u);
    EXPECT_EQ(ParseStartWait(L"0.0015"), 1u);
    EXPECT_EQ(ParseStartWait(L"1e3"), 1000000u);
    EXPECT_EQ(ParseStartWait(L"1e300"), 2147483647u); // capped to a timer interval
    EXPECT_FALSE(ParseStartWait(L"0,5"));    // the wait always uses "."
    EXPECT_FALSE(ParseStartWait(L"Volume:50"));
    EXPECT_FALSE(ParseStartWait(L"1e999"));
    EXPECT_FALSE(ParseStartWait(L"nan"));
    EXPECT_FALSE(ParseStartWait(L"inf"));
    EXPECT_FALSE(ParseStartWait(L""));
    EXPECT_FALSE(ParseStartWait(L"-"));
    EXPECT_FALSE(ParseStartWait(L"."));
}

TEST(CommandVerb, EveryTailThatIsNoStartIsAVerbWithoutItsDash)
{
    struct Case {
        const wchar_t* tail;
        const wchar_t* verb; // nullptr: a start, at once or after a wait
    } cases[] = {
        {L"", nullptr},
        {L"10", nullptr},
        {L"-0.1", nullptr},
        {L"--5", nullptr},
        {L"-0", nullptr},
        {L"-Volume:+5%", L"Volume:+5%"},
        {L"Mute:!", L"Mute:!"},
        {L"--Volume:5", L"-Volume:5"}, // only one "-" goes
        {L"-", L""},                   // an empty verb: not handled, exit code 1
        {L"0,5", L"0,5"},              // the wait is written with "." only
        {L"-Device:Speakers (USB)", L"Device:Speakers (USB)"},
    };
    for (const Case& c : cases) {
        const std::optional<std::wstring> verb = CommandVerb(c.tail);
        if (c.verb)
            EXPECT_EQ(verb, std::wstring(c.verb)) << c.tail;
        else
            EXPECT_FALSE(verb) << c.tail;
    }
}

TEST(ParseDecimal, UsesTheGivenSeparatorAndOnlyFiniteValues)
{
    EXPECT_EQ(ParseDecimal(L"+5", L'.'), 5.0L);
    EXPECT_EQ(ParseDecimal(L"-2.5", L'.'), -2.5L);
    EXPECT_EQ(ParseDecimal(L"2,5", L','), 2.5L);
    EXPECT_FALSE(ParseDecimal(L"2.5", L','));
    EXPECT_EQ(ParseDecimal(L" 50 ", L'.'), 50.0L);
    EXPECT_EQ(ParseDecimal(L".5", L'.'), 0.5L);
    EXPECT_EQ(ParseDecimal(L"5.", L'.'), 5.0L);
    EXPECT_FALSE(ParseDecimal(L"abc", L'.'));
    EXPECT_FALSE(ParseDecimal(L"5x", L'.'));
    EXPECT_FALSE(ParseDecimal(L"1e", L'.'));
    EXPECT_FALSE(ParseDecimal(L"1e999", L'.'));
    EXPECT_FALSE(ParseDecimal(L"-1e999", L'.'));
    EXPECT_EQ(ParseDecimal(L"1e-999", L'.'), 0.0L);
    EXPECT_FALSE(ParseDecimal(L"+-5", L'.'));
    EXPECT_FALSE(ParseDecimal(L"NaN", L'.'));
    // A very long run of digits overflows to infinity: no number rather than garbage.
    EXPECT_FALSE(ParseDecimal(std::wstring(6000, L'9'), L'.'));
}

TEST(MuteValue, WordsCaseInsensitive)
{
    for (const wchar_t* on : {L"on", L"TRUE", L"1", L"-1", L"+1", L"On"})
        EXPECT_EQ(ParseMuteValue(on), MuteValue::On) << on;
    for (const wchar_t* off : {L"off", L"False", L"0", L"-0", L"+0"})
        EXPECT_EQ(ParseMuteValue(off), MuteValue::Off) << off;
    EXPECT_EQ(ParseMuteValue(L"!"), MuteValue::Toggle);
    for (const wchar_t* bad : {L"maybe", L"", L"2", L"yes", L"!!"})
        EXPECT_FALSE(ParseMuteValue(bad)) << bad;
}

TEST(MatchVerb, NameAtStartAnyCaseValueTrimmed)
{
    EXPECT_EQ(MatchVerb(L"volume:+5%", L"Volume:"), L"+5%");
    EXPECT_EQ(MatchVerb(L"DEVICE:  Headset (USB Audio Device) ", L"Device:"), L"Headset (USB Audio Device)");
    EXPECT_FALSE(MatchVerb(L" Volume:5", L"Volume:"));
    EXPECT_FALSE(MatchVerb(L"Vol", L"Volume:"));
    EXPECT_EQ(MatchVerb(L"Mute:", L"Mute:"), L"");
}

TEST(Levels, RoundHalfAwayFromZeroOnTheFacadeScale)
{
    EXPECT_EQ(PercentToLevel(50, 0, 65535), 32768);  // 32767.5 rounds up
    EXPECT_EQ(PercentToLevel(5, 0, 65535), 3277);    // 3276.75
    EXPECT_EQ(PercentToLevel(-5, 0, 65535), -3277);  // relative down, away from zero
    EXPECT_EQ(PercentToLevel(100, 0, 65535), 65535);
    EXPECT_EQ(PercentToLevel(30, 0, 65535), 19661);  // 19660.5
    EXPECT_EQ(PercentToLevel(50, 10, 20), 15);
    EXPECT_EQ(PercentToLevel(1e300L, 0, 65535), 1000000000000000LL); // bounded, no overflow
    EXPECT_EQ(RoundHalfAway(-2.5L), -3);
    EXPECT_EQ(RoundHalfAway(2.4999L), 2);
    // Percent of a level: 65535 is 100 %, 327 is 0 %, 328 is 1 %.
    EXPECT_EQ(Scale(65535, 0, 65535, 0, 100), 100);
    EXPECT_EQ(Scale(327, 0, 65535, 0, 100), 0);
    EXPECT_EQ(Scale(328, 0, 65535, 0, 100), 1);
    // Preset defaults for ten presets.
    EXPECT_EQ(Scale(3, 0, 10, 0, 65535), 19661);
    EXPECT_EQ(Scale(8, 0, 10, 0, 65535), 52428);
}

} // namespace
