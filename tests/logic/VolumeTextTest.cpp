// The display text of a level: device word, real percentages and language texts that do
// not fit their argument.
#include "VolumeText.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

constexpr int k30 = 19661; // 30.0008 %
constexpr int kHalf = 32768;
const wchar_t kFull[] = L"Speakers (High Definition Audio Device)";

TVolumeTextContext Speakers()
{
    TVolumeTextContext c;
    c.DefDevice = L"Volume";
    c.ShortName = L"Speakers";
    c.FullName = kFull;
    return c;
}

struct Case {
    const char* what;
    int level;
    const wchar_t* format;
    bool withDevice;
    void (*adjust)(TVolumeTextContext&);
    std::wstring expected;
};

void None(TVolumeTextContext&) {}

const Case kCases[] = {
    {"tooltip", k30, L"$d: %d%%", true, None, L"Speakers: 30%"},
    {"mute, first form", k30, L"$d: Mute", true, None, L"Speakers: Mute"},
    {"mute, second form", k30, L"$d: Mute (%d%%)", true, None, L"Speakers: Mute (30%)"},
    {"the bar's label has no device", k30, L"%d%%", false, None, L"30%"},
    {"placeholder in any case, everywhere", k30, L"$D/$d %d", true, None, L"Speakers/Speakers 30"},
    {"FormatDevice 0: the generic word", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) { c.FormatDevice = 0; }, L"Volume: 30%"},
    {"FormatDevice -1: generic word and the full name below", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) { c.FormatDevice = -1; }, std::wstring(L"Volume: 30%\r\n") + kFull},
    {"FormatDevice -1 without device: one line", k30, L"$d: %d%%", false,
     [](TVolumeTextContext& c) { c.FormatDevice = -1; }, L"Volume: 30%"},
    {"FormatDevice -1, no generic word: the short name", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) {
         c.FormatDevice = -1;
         c.DefDevice.clear();
     },
     std::wstring(L"Speakers: 30%\r\n") + kFull},
    {"FormatDevice equal to the short name's length: the short name", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) { c.FormatDevice = 8; }, L"Speakers: 30%"},
    {"FormatDevice below the short name's length: the generic word", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) { c.FormatDevice = 7; }, L"Volume: 30%"},
    {"no short name: the generic word", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) { c.ShortName.clear(); }, L"Volume: 30%"},
    {"FormatDevice 0 without generic word: the short name", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) {
         c.FormatDevice = 0;
         c.DefDevice.clear();
     },
     L"Speakers: 30%"},
    {"no word at all leaves the placeholder", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) {
         c.ShortName.clear();
         c.DefDevice.clear();
     },
     L"$d: 30%"},
    {"real percentage", kHalf, L"$d: %d%%", true, [](TVolumeTextContext& c) { c.FormatRealVol = true; },
     L"Speakers: 50.00%"},
    {"real percentage, upper-case specifier", kHalf, L"%D", false,
     [](TVolumeTextContext& c) { c.FormatRealVol = true; }, L"50.00"},
    {"real percentage with the locale's separator", kHalf, L"$d: %d%%", true,
     [](TVolumeTextContext& c) {
         c.FormatRealVol = true;
         c.DecimalSeparator = L',';
     },
     L"Speakers: 50,00%"},
    {"a percent sign in the device name is text", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) { c.ShortName = L"100% Sound"; }, L"100% Sound: 30%"},
    {"a specifier in the device name is text, also for real percentages", kHalf, L"$d: %d%%", true,
     [](TVolumeTextContext& c) {
         c.ShortName = L"Amp %d%s";
         c.FormatRealVol = true;
     },
     L"Amp %d%s: 50.00%"},
    {"a specifier in the full name is text", k30, L"$d: %d%%", true,
     [](TVolumeTextContext& c) {
         c.FormatDevice = -1;
         c.FullName = L"USB %n %s %%";
     },
     L"Volume: 30%\r\nUSB %n %s %%"},
    {"a device word that holds the placeholder is not replaced again", k30, L"$d", true,
     [](TVolumeTextContext& c) { c.ShortName = L"$d"; }, L"$d"},
    {"a range without width", 0, L"%d%%", false,
     [](TVolumeTextContext& c) {
         c.Min = 0;
         c.Max = 0;
     },
     L"0%"},
    {"a scale that does not start at 0", 150, L"%d%%", false,
     [](TVolumeTextContext& c) {
         c.Min = 100;
         c.Max = 200;
     },
     L"50%"},
};

TEST(FormatVolumeText, ComposesTheDeviceWordAndThePercentage)
{
    for (const Case& t : kCases) {
        TVolumeTextContext c = Speakers();
        t.adjust(c);
        EXPECT_EQ(FormatVolumeText(t.level, t.format, t.withDevice, c), t.expected) << t.what;
    }
}

// Language files are user data: whatever they hold, the text falls back and never raises.
TEST(FormatVolumeText, HostileLanguageTextsFallBackToTheNumber)
{
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"$d: %s", L"30"},
        {L"%n", L"30"},
        {L"$d: %", L"30"},
        {L"%d %d", L"30"},
        {L"%d%d%d%d%d%d%d%d%d%d%d%d", L"30"},
        {L"%s%s%s%s%s%s%s%s%s%s%s%s", L"30"},
        {L"%99999999999d", L"30"},
        {L"%*d", L"30"},
        {L"%1:d", L"30"},
        {L"%p %x %c", L"30"},
        {L"$d: %f%%", L"Speakers: 30.00%"}, // no integer wanted: the real value
        {L"%.1f", L"30.0"},
        {L"", L""},
    };
    for (auto [format, expected] : texts)
        EXPECT_EQ(FormatVolumeText(k30, format, true, Speakers()), expected) << format;

    TVolumeTextContext real = Speakers();
    real.FormatRealVol = true;
    EXPECT_EQ(FormatVolumeText(kHalf, L"%s %d", true, real), L"50");
    EXPECT_EQ(FormatVolumeText(kHalf, L"%5d", true, real), L"50");
}

TEST(FormatVolumeText, PercentagesRoundHalfAwayFromZero)
{
    TVolumeTextContext c = Speakers();
    EXPECT_EQ(FormatVolumeText(327, L"%d", false, c), L"0");
    EXPECT_EQ(FormatVolumeText(328, L"%d", false, c), L"1");
    EXPECT_EQ(FormatVolumeText(65535, L"%d", false, c), L"100");
    c.FormatRealVol = true;
    EXPECT_EQ(FormatVolumeText(65535, L"%d", false, c), L"100.00");
    EXPECT_EQ(FormatVolumeText(0, L"%d", false, c), L"0.00");
}

} // namespace
