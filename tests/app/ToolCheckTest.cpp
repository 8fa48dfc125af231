#include "CommandLine.h"
#include "Level.h"
#include "ToolCheck.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

ToolCheckState State(long long percent, bool muted)
{
    ToolCheckState s;
    s.levelPercent = percent;
    s.muted = muted;
    s.defaultDeviceId = L"{0.0.0.00000000}.{abc}";
    s.defaultDeviceName = L"Speakers";
    s.percentOfLevel = [](long long l) { return Scale(l, 0, 65535, 0, 100); };
    s.levelOfPercent = [](long double p) { return PercentToLevel(p, 0, 65535); };
    s.actionChecked = [](const std::wstring& n) { return n == L"MuteChange" || n == L"MuteChangeAction"; };
    return s;
}

TEST(ToolCheck, EachVerbByItsOwnRule)
{
    struct Case {
        const wchar_t* command;
        long long percent;
        bool muted;
        bool checked;
    } cases[] = {
        {L"Volume:25", 25, false, true},
        {L"Volume:25%", 25, true, true},
        {L"Volume:+25", 25, false, false}, // relative never matches
        {L"Volume:30", 25, false, false},
        {L"Sound:!25%", 25, true, true},
        {L"Sound:25%", 25, true, false}, // mute differs
        {L"Sound:25%Speakers", 25, false, true},
        {L"Sound:25%{0.0.0.00000000}.{abc}", 25, false, true},
        {L"Sound:25%Headset", 25, false, false},
        {L"Sound:-5%", 25, false, false},
        {L"Mute:!", 0, true, true},
        {L"Mute:on", 0, false, false},
        {L"Mute:off", 0, false, true},
        {L"Mute:maybe", 0, false, false},
        {L"Device:Speakers", 0, false, true},
        {L"Device:!", 0, false, false},
        {L"Device:Headset", 0, false, false},
        {L"Action:MuteChange", 0, false, true},
        {L"Action:VolumeUp", 0, false, false},
        {L"notepad.exe", 0, false, false},
        {L"", 0, false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToolCommandChecked(c.command, State(c.percent, c.muted)), c.checked) << c.command;
}

} // namespace
