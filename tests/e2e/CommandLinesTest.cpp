// Generated command lines, each run as "Lorvane.exe <line>" against the endpoint simulator:
// the exit code and every endpoint's level, mute and the default are checked against a model
// the test keeps itself. Each line is built from what it means (a level in tenths of a
// percent, a device, a mute word), so the expectation never comes from the program's parser.
#include "FuzzRun.h"
#include "InstanceTest.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <random>
#include <sstream>

namespace {

using namespace e2e;
namespace sim = endpointsim;

constexpr int kMax = 65535;

struct State {
    std::vector<int> level;
    std::vector<bool> mute;
    int def = -1;
    bool operator==(const State&) const = default;
};

State Observe()
{
    State s;
    for (const sim::EndpointInfo& e : sim::Show()) {
        s.level.push_back(static_cast<int>(std::lround(e.scalar * 65535.0)));
        s.mute.push_back(e.mute);
        if (e.isDefault)
            s.def = e.index;
    }
    return s;
}

std::string Show(const State& s)
{
    std::ostringstream r;
    r << "default " << s.def << ":";
    for (size_t i = 0; i < s.level.size(); ++i)
        r << " " << s.level[i] << (s.mute[i] ? "m" : "");
    return r.str();
}

std::string Narrow(const std::wstring& w)
{
    std::string s;
    for (wchar_t c : w.substr(0, 160))
        s += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
    return w.size() > 160 ? s + "...(" + std::to_string(w.size()) + " chars)" : s;
}

// Level of a percentage given in tenths: round half away from zero, in whole numbers.
long long Level(long long tenths)
{
    const long long n = tenths * kMax;
    return n >= 0 ? (n + 500) / 1000 : -((-n + 500) / 1000);
}

int Clamp(long long level)
{
    return static_cast<int>(std::clamp<long long>(level, 0, kMax));
}

struct Line {
    std::wstring tail;
    long code = 0;
    State after;
};

class Generator {
  public:
    Generator(unsigned seed, wchar_t separator) : rng(seed), sep(separator), other(sep == L'.' ? L',' : L'.')
    {
        for (const sim::EndpointInfo& e : sim::Show()) {
            names.push_back(e.name);
            ids.push_back(e.id);
            active.push_back(e.active);
            any = any || e.active;
        }
    }

    Line Next(const State& now)
    {
        Line l{L"", 0, now};
        dash = false;
        using Make = std::wstring (Generator::*)(const State&, Line&);
        static constexpr Make kinds[] = {&Generator::Volume,  &Generator::Volume, &Generator::Volume,
                                         &Generator::Mute,    &Generator::Mute,   &Generator::Device,
                                         &Generator::Device,  &Generator::Sound,  &Generator::Sound,
                                         &Generator::Sound,   &Generator::Bad,    &Generator::TwoDashes,
                                         &Generator::Unknown, &Generator::Unknown};
        const std::wstring text = (this->*kinds[Below(std::size(kinds))])(now, l);
        if (!any && l.code == 0)
            l.code = 2; // understood, but there is nothing to set
        if (l.code != 0)
            l.after = now;
        l.tail = (dash || Below(5) ? L"-" : L"") + text;
        if (Below(6) == 0 && l.tail.find(L'"') == std::wstring::npos)
            l.tail = L"\"" + l.tail + Blanks() + L"\"";
        if (Below(4) == 0)
            l.tail = Blanks() + l.tail + Blanks();
        return l;
    }

  private:
    unsigned Below(unsigned n) { return static_cast<unsigned>(rng() % n); }
    std::wstring Pick(std::initializer_list<std::wstring> a)
    {
        return *(a.begin() + Below(static_cast<unsigned>(a.size())));
    }

    std::wstring Cased(std::wstring s)
    {
        if (Below(2))
            for (wchar_t& c : s)
                c = static_cast<wchar_t>(Below(2) ? std::towupper(c) : std::towlower(c));
        return s;
    }
    std::wstring Blanks() { return Pick({L"", L" ", L"\t", L"  "}); }

    // Text that follows a value: other verbs, stray characters, or a very long tail. Always
    // holds something that is no blank, never a "%".
    std::wstring Junk()
    {
        if (Below(4))
            return Pick({L" -Mute:on", L" -Volume:5", L" Device:!", L"x", L" !@#$^&*()", L" \u00e4\u4e2d",
                         L"\u00a0y", L" 'q'", L"\\\\"});
        std::wstring s(Below(3) ? 300 + Below(4000) : 20000, L'z');
        for (wchar_t& c : s)
            c = static_cast<wchar_t>(Below(5) ? L'!' + Below(90) : L' ');
        std::replace(s.begin(), s.end(), L'%', L'#');
        s.front() = L'#';
        return s;
    }

    // A percentage in tenths as a user may write it; `sign` makes it relative.
    std::wstring Number(int tenths, bool sign)
    {
        const int m = std::abs(tenths), whole = m / 10, frac = m % 10;
        std::wstring s = sign ? (tenths < 0 ? L"-" : L"+") : L"", w = std::to_wstring(whole),
                     f = std::to_wstring(frac);
        switch (Below(6)) {
        case 0:
            return s + w + (frac ? sep + f : L"");
        case 1:
            return s + L"00" + w + sep + f + L"0";
        case 2:
            return s + (whole ? w : L"") + sep + f;
        case 3:
            return s + std::to_wstring(m) + Pick({L"e-1", L"E-1", L"e-01"});
        case 4:
            return s + w + sep + f + Pick({L"e0", L"E+0"});
        default:
            return s + (frac ? w + sep + f : w + sep);
        }
    }

    int Tenths(bool relative)
    {
        const bool small = Below(5);
        if (relative)
            return small ? static_cast<int>(Below(401)) - 200 : static_cast<int>(Below(2401)) - 1200;
        return static_cast<int>(Below(6) ? Below(1001) : Below(4001));
    }

    std::wstring Volume(const State& now, Line& l)
    {
        const bool relative = Below(3) == 0;
        std::wstring value;
        long long level;
        if (Below(12) == 0) { // absurd magnitudes still set a level
            const bool down = relative && Below(2);
            value = std::wstring(relative ? (down ? L"-" : L"+") : L"") +
                    Pick({L"1e300", L"99999999999999999999"});
            level = down ? -kMax : 2 * kMax;
        } else {
            const int t = Tenths(relative);
            value = Number(t, relative);
            level = Level(t);
        }
        const int d = std::max(now.def, 0); // no default: the line is refused anyway
        l.after.level[d] = Clamp(level + (relative ? now.level[d] : 0));
        switch (Below(4)) {
        case 0:
            value += L"%";
            break;
        case 1:
            value += L"%" + (Below(2) ? Junk() : L"%");
            break;
        case 2:
            if (Below(3) == 0) {
                value += Junk(); // without a "%" the rest belongs to the number
                l.code = 1;
            }
            break;
        default:
            break;
        }
        return Cased(L"Volume:") + Blanks() + value;
    }

    std::wstring Mute(const State& now, Line& l)
    {
        const int kind = static_cast<int>(Below(3));
        std::wstring value = kind == 2 ? L"!"
                             : kind    ? Cased(Pick({L"on", L"true", L"1", L"-1", L"+1"}))
                                       : Cased(Pick({L"off", L"false", L"0", L"-0", L"+0"}));
        const int d = std::max(now.def, 0);
        l.after.mute[d] = kind == 2 ? !now.mute[d] : kind == 1;
        if (Below(8) == 0) {
            value += Junk();
            l.code = 1;
        }
        return Cased(L"Mute:") + Blanks() + value + Blanks();
    }

    // A device as a name or an ID; -1 for one that no endpoint has.
    std::wstring Named(int& index)
    {
        const size_t n = names.size();
        index = static_cast<int>(Below(static_cast<unsigned>(n)));
        switch (Below(6)) {
        case 0:
        case 1:
        case 2: {
            const std::wstring& name = Below(3) == 2 ? ids[index] : names[index];
            if (!active[index])
                index = -1; // a disabled endpoint is no device to switch to
            return name;
        }
        case 3: {
            const std::wstring name = names[index];
            index = -1;
            return Below(3) ? name + Junk() : L"\"" + name + L"\"";
        }
        default:
            index = -1;
            return Pick({L"No Such Device", L"1", L"0", L"Speakers", L"headset (usb audio device)",
                         L"{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}", L"{}"});
        }
    }

    std::wstring Device(const State& now, Line& l)
    {
        std::wstring value;
        int index;
        if (Below(3) == 0) {
            value = L"!";
            const int n = static_cast<int>(names.size());
            const int from = std::max(now.def, 0);
            index = from;
            do
                index = (index + 1) % n;
            while (!active[index] && index != from);
        } else if (Below(10) == 0) {
            value = Blanks(); // no name is a name no device has
            index = -1;
        } else {
            value = Named(index);
        }
        if (index < 0)
            l.code = 2;
        else
            l.after.def = index;
        return Cased(L"Device:") + Blanks() + value;
    }

    std::wstring Sound(const State& now, Line& l)
    {
        const bool mute = Below(2), relative = Below(3) == 0;
        const int t = Tenths(relative);
        int index = std::max(now.def, 0);
        std::wstring device;
        switch (Below(4)) {
        case 0:
            break;
        case 1:
            device = Below(2) ? names[index] : ids[index];
            break;
        default:
            device = Named(index);
        }
        std::wstring value =
            (mute ? L"!" + Blanks() : L"") + Number(t, relative) + Blanks() + L"%" + Blanks() + device;
        if (index < 0) {
            l.code = 2;
        } else if (relative && index != now.def) {
            l.after.def = index; // a relative change on another device only switches to it
        } else {
            l.after.def = index;
            l.after.level[index] = Clamp(Level(t) + (relative ? now.level[index] : 0));
            l.after.mute[index] = mute;
        }
        return Cased(L"Sound:") + Blanks() + value;
    }

    // One leading "-" is an option marker; a second one belongs to the verb.
    std::wstring TwoDashes(const State&, Line& l)
    {
        l.code = 1;
        dash = true;
        return L"-" + Cased(L"Volume:") + L"50";
    }

    // A known verb with a value that is no value of it.
    std::wstring Bad(const State&, Line& l)
    {
        l.code = 1;
        const std::wstring sep1 = std::wstring(1, sep), other1 = std::wstring(1, other);
        switch (Below(3)) {
        case 0:
            return Cased(L"Volume:") +
                   Pick(
                       {L"",   L"abc",    L"5 0",    L"50x", L"%50",          L"+",      L"-",
                        L"e5", L"1e999",  L"-1e999", L"nan", L"inf",          L"0x10",   L"+-5",
                        L"5e", L"5e+",    L"+ 5",    L"5-",  L"\uff15\uff10", L"\u0665", L"1" + other1 + L"5",
                        sep1,  L"50 50%", L"\"50\""});
        case 1:
            return Cased(L"Mute:") + Pick({L"", L"maybe", L"yes", L"no", L"2", L"on!", L"!!", L"o n", L"onn",
                                           L"1.0", L"+-1", L"%", L"toggle", L"offf", L"\u00f6n"});
        default:
            return Cased(L"Sound:") + Pick({L"30", L"%", L"!%", L"!!30%", L"abc%", L"+%", L"30x%", L"3 0%",
                                            L"1e999%", L"!-%Speakers", L"2" + other1 + L"5%"});
        }
    }

    std::wstring Unknown(const State&, Line& l)
    {
        l.code = 1;
        dash = true; // an empty tail is a plain start
        return Pick({L"Frobnicate",
                     L"Volume",
                     L"Volume=50",
                     L"Vol:50",
                     L"Mute=on",
                     L":",
                     L"",
                     L"/Volume:50",
                     L"Volume :50",
                     L"\uff36olume:50",
                     L"\"Volume\":50",
                     L"Action:MuteOn",
                     L"Action:VolumeUp",
                     L"Action:Nope",
                     L"Action:",
                     L"Help",
                     L"/?",
                     L"h",
                     L"Volume;50",
                     L"xVolume:50",
                     L"Sound",
                     L"Device",
                     L"nan",
                     L"."});
    }

    std::mt19937 rng;
    wchar_t sep, other;
    std::vector<std::wstring> names, ids;
    std::vector<bool> active;
    bool any = false, dash = false;
};

// No instance runs beside the lines: a resident one would take the lines without a "-".
class CommandLines : public InstanceTest {
  protected:
    CommandLines() : InstanceTest(L"commandlines", std::nullopt) {}

    // Runs `cases` generated lines against the simulator as it is now.
    void RunLines(unsigned seed, int cases, const char* kind)
    {
        wchar_t sep[8] = {};
        if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) <= 0 || !sep[0])
            sep[0] = L'.';
        Generator gen(seed, sep[0]);
        long failed = 0;
        for (int i = 0; i < cases; ++i) {
            const State now = Observe();
            const Line l = gen.Next(now);
            SCOPED_TRACE(testing::Message() << kind << " line " << i << ": " << Narrow(l.tail));
            const long before = fuzz::FailedChecks();
            EXPECT_EQ(RunLorvane(l.tail), l.code);
            const State after = Observe();
            EXPECT_EQ(after, l.after)
                << "was " << Show(now) << ", expected " << Show(l.after) << ", got " << Show(after);
            if (fuzz::FailedChecks() != before && ++failed > 5)
                break;
        }
        fuzz::Tally::Add(std::string("command lines e2e, ") + kind, cases, failed);
    }

};

TEST_F(CommandLines, ThreeDevicesTakeEveryGeneratedLineAsItsModelSays)
{
    ASSERT_TRUE(sim::Reset());
    ASSERT_EQ(sim::Add(L"Lautsprecher (\u00c4\u00fc Audio)"), 2);
    ASSERT_TRUE(sim::SetVolume(0.3f, 1));
    ASSERT_TRUE(sim::SetMute(true, 2));
    RunLines(1208u, fuzz::Cases(160), "three devices");
}

TEST_F(CommandLines, OneDeviceStaysTheDefault)
{
    ASSERT_TRUE(sim::Reset({L"Only Speakers"}));
    RunLines(17u, fuzz::Cases(20), "one device");
}

TEST_F(CommandLines, ADisabledEndpointIsNoDeviceToSwitchTo)
{
    ASSERT_TRUE(sim::Reset());
    ASSERT_EQ(sim::Add(L"Line Out (Third Audio)"), 2);
    ASSERT_TRUE(sim::SetState(1, false));
    RunLines(33u, fuzz::Cases(20), "one disabled");
}

TEST_F(CommandLines, WithoutAnActiveEndpointUnderstoodLinesExitTwo)
{
    ASSERT_TRUE(sim::Reset());
    ASSERT_TRUE(sim::SetState(0, false));
    ASSERT_TRUE(sim::SetState(1, false));
    RunLines(25u, fuzz::Cases(20), "no endpoint");
}

TEST_F(CommandLines, BlanksAfterTheMuteMarkKeepTheSign)
{
    ASSERT_TRUE(sim::Reset());
    ASSERT_TRUE(sim::SetVolume(0.5f));
    EXPECT_EQ(RunLorvane(L"-Sound:!  +10%"), 0);
    EXPECT_TRUE(Observe() == (State{{32768 + 6554, kMax}, {true, false}, 0})) << Show(Observe());
    EXPECT_EQ(RunLorvane(L"\"-Sound:! -10 % Headset (USB Audio Device)\""), 0); // only the switch
    EXPECT_TRUE(Observe() == (State{{32768 + 6554, kMax}, {true, false}, 1})) << Show(Observe());
}

// Numbers are start-up waits of a resident start; a line without a leading "-" goes to the
// running instance instead of being carried out.
TEST_F(CommandLines, StartWaitsAndTheRunningInstance)
{
    testsupport::DesktopTestLock lock;
    ASSERT_TRUE(sim::Reset());
    ASSERT_TRUE(sim::SetVolume(0.5f));
    const struct {
        const wchar_t* tail;
        LRESULT waitMs;
    } waits[] = {{L"-0", 0}, {L"--0.25", 250}, {L"1e1", 10000}, {L" \"-7.5\" ", 7500}};
    for (const auto& w : waits) {
        SCOPED_TRACE(Narrow(w.tail));
        Process p;
        ASSERT_TRUE(p.Start(LorvanePath(), w.tail));
        HWND main = WaitForMainWindow(p.Id());
        ASSERT_TRUE(main);
        EXPECT_EQ(ProbeMain(main, 3), w.waitMs);
        EXPECT_EQ(p.Wait(0), -1) << "a start-up wait is no verb";
        if (w.waitMs == 0) {
            ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, 1) == 1; }, 20000));
            EXPECT_EQ(RunLorvane(L"Volume:20"), 0);
            EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, 0) == 1; }));
            EXPECT_EQ(Observe().level[0], 32768) << "the running instance was only told of the start";
            EXPECT_EQ(RunLorvane(L"-Volume:20"), 0);
            EXPECT_EQ(Observe().level[0], Level(200));
        }
        CloseAllInstances();
    }
    fuzz::Tally::Add("command lines e2e, start waits", std::size(waits) + 2, HasFailure() ? 1 : 0);
}

} // namespace
