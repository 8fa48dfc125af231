// The hotkey list against a recording system; real keys fire real registrations in the
// end-to-end tests (InputBindingsTest).
#include "HotKeyManager.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Call {
    bool reg;
    int id;
    UINT modifiers;
    UINT key;
    bool operator==(const Call&) const = default;
};

struct RecordingSystem {
    std::vector<Call> calls;
    std::vector<UINT> refusedKeys; // keys "another program" holds

    input::HotKeySeams Seams()
    {
        input::HotKeySeams s;
        s.registerHotKey = [this](HWND, int id, UINT m, UINT k) {
            calls.push_back({true, id, m, k});
            return std::find(refusedKeys.begin(), refusedKeys.end(), k) == refusedKeys.end();
        };
        s.unregisterHotKey = [this](HWND, int id) {
            calls.push_back({false, id, 0, 0});
            return true;
        };
        return s;
    }
};

template <typename Done> bool PumpUntil(Done done, int ms = 2000)
{
    for (int i = 0; i < ms / 10 && !done(); ++i) {
        fw::ProcessMessages();
        ::Sleep(10);
    }
    return done();
}

} // namespace

TEST(HotKeyManager, IdentifiersAreListPositionsAndAZeroKeepsItsPlace)
{
    RecordingSystem sys;
    THotKeyManager m(nullptr, L"HotKeyManager", sys.Seams());
    std::vector<std::wstring> events;
    m.OnChanging = [&](fw::TObject*) { events.push_back(L"changing"); };
    m.OnChange = [&](fw::TObject*) { events.push_back(L"change"); };
    std::vector<int> fired;
    m.OnHotKey = [&](fw::TObject*, int index) { fired.push_back(index); };

    EXPECT_EQ(m.AddHotKey(0x5041), 0);
    EXPECT_EQ(m.AddHotKey(0), 1);
    EXPECT_EQ(m.AddHotKey(0xE070), 2);
    EXPECT_EQ(sys.calls, (std::vector<Call>{{true, 0, MOD_CONTROL | MOD_WIN, 'A'},
                                            {true, 2, MOD_CONTROL | MOD_SHIFT | MOD_ALT, VK_F1}}));
    EXPECT_EQ(events.size(), 6u);

    // WM_HOTKEY carries the identifier, which is the position.
    ::PostMessageW(m.Handle(), WM_HOTKEY, 2, 0);
    ASSERT_TRUE(PumpUntil([&] { return !fired.empty(); }));
    EXPECT_EQ(fired, std::vector<int>{2});

    sys.calls.clear();
    m.SetEnabled(false);
    EXPECT_EQ(sys.calls, (std::vector<Call>{{false, 0, 0, 0}, {false, 1, 0, 0}, {false, 2, 0, 0}}));
    sys.calls.clear();
    m.AddHotKey(0x2007); // listed while disabled, registered on enable
    EXPECT_TRUE(sys.calls.empty());
    m.SetEnabled(true);
    EXPECT_EQ(sys.calls, (std::vector<Call>{{true, 0, MOD_CONTROL | MOD_WIN, 'A'},
                                            {true, 2, MOD_CONTROL | MOD_SHIFT | MOD_ALT, VK_F1},
                                            {true, 3, MOD_SHIFT, 7}}));

    // Clearing unregisters every identifier handed out and starts again at 0.
    sys.calls.clear();
    events.clear();
    m.ClearHotKeys();
    m.ClearHotKeys(); // an empty list: nothing, not even events
    EXPECT_EQ(events, (std::vector<std::wstring>{L"changing", L"change"}));
    EXPECT_EQ(sys.calls.size(), 4u);
    sys.calls.clear();
    EXPECT_EQ(m.AddHotKey(0x4041), 0);
    EXPECT_EQ(sys.calls, (std::vector<Call>{{true, 0, MOD_CONTROL, 'A'}}));
}

TEST(HotKeyManager, ARefusedHotKeyFailsAloneAndReregisterTriesItAgain)
{
    RecordingSystem sys;
    sys.refusedKeys = {'B'};
    THotKeyManager m(nullptr, L"HotKeyManager", sys.Seams());
    m.AddHotKey(0x4041);
    m.AddHotKey(0x4042);
    m.AddHotKey(0);
    m.AddHotKey(0x4043);
    // The settings dialog marks what the system refused.
    EXPECT_EQ((std::vector<bool>{m.Refused(0), m.Refused(1), m.Refused(2), m.Refused(3), m.Refused(4)}),
              (std::vector<bool>{false, true, false, false, false}));
    sys.calls.clear();
    sys.refusedKeys.clear();
    m.Reregister();
    EXPECT_FALSE(m.Refused(1));
    EXPECT_EQ(sys.calls, (std::vector<Call>{{false, 0, 0, 0},
                                            {false, 1, 0, 0},
                                            {false, 2, 0, 0},
                                            {false, 3, 0, 0},
                                            {true, 0, MOD_CONTROL, 'A'},
                                            {true, 1, MOD_CONTROL, 'B'},
                                            {true, 3, MOD_CONTROL, 'C'}}));
    sys.calls.clear();
    sys.refusedKeys = {'A'};
    m.SetEnabled(false);
    EXPECT_FALSE(m.Refused(0)); // nothing is registered, so nothing was refused
    sys.calls.clear();
    m.Reregister(); // disabled: stays unregistered
    EXPECT_TRUE(sys.calls.empty());
}
