#include "DpiManager.h"

#include "ControlTestWindow.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <vector>

using namespace support;

namespace {

struct Change {
    int oldDpi, newDpi;
    RECT rect;
    TDpiState state;
};

class DpiManagerTest : public testing::Test {
  protected:
    void SetUp() override
    {
        child = ::CreateWindowExW(0, L"STATIC", L"x", WS_CHILD | WS_VISIBLE, 10, 20, 60, 30, host.Handle(),
                                  nullptr, nullptr, nullptr);
        list = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED, 80, 20, 100,
                                 60, host.Handle(), nullptr, nullptr, nullptr);
        ::SendMessageW(list, LB_SETITEMHEIGHT, 0, 16);
    }
    std::unique_ptr<TDpiManager> MakeManager()
    {
        auto m = std::make_unique<TDpiManager>(nullptr, L"DpiManager", host.Handle());
        m->DpiProbe = [this](HWND) { return dpi; };
        m->OnChange = [this](fw::TObject*, int o, int n, const RECT& r, TDpiState s) {
            changes.push_back({o, n, r, s});
        };
        LOGFONTW lf{};
        lf.lfHeight = -12;
        wcscpy_s(lf.lfFaceName, L"Tahoma");
        m->SetFont(lf);
        return m;
    }
    static SIZE SizeOf(HWND h)
    {
        RECT r{};
        ::GetWindowRect(h, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    static int FontHeight(HFONT f)
    {
        LOGFONTW lf{};
        ::GetObjectW(f, sizeof(lf), &lf);
        return lf.lfHeight;
    }

    testsupport::TestHost host{200, 100, false};
    HWND child = nullptr;
    HWND list = nullptr;
    int dpi = 96;
    std::vector<Change> changes;
};

TEST_F(DpiManagerTest, VisibleFormGrowsOneAndAHalfTimesFrom96To144)
{
    auto m = MakeManager();
    ::ShowWindow(host.Handle(), SW_SHOWNOACTIVATE);
    fw::ProcessMessages();
    EXPECT_TRUE(changes.empty()); // 96 everywhere: nothing to do
    EXPECT_EQ(m->Scale(20), 20);

    RECT suggested{40, 40, 340, 190};
    ::SendMessageW(host.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].oldDpi, 96);
    EXPECT_EQ(changes[0].newDpi, 144);
    EXPECT_EQ(changes[0].state, TDpiState::System);
    EXPECT_EQ(SizeOf(host.Handle()).cx, 300);
    EXPECT_EQ(SizeOf(host.Handle()).cy, 150);
    EXPECT_EQ(SizeOf(child).cx, 90);
    EXPECT_EQ(SizeOf(child).cy, 45);
    RECT cr{};
    ::GetWindowRect(child, &cr);
    ::MapWindowPoints(nullptr, host.Handle(), reinterpret_cast<POINT*>(&cr), 2);
    EXPECT_EQ(cr.left, 15);
    EXPECT_EQ(cr.top, 30);
    EXPECT_EQ(FontHeight(m->Font()), -18);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), m->Font());
    EXPECT_EQ(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 24);
    EXPECT_EQ(m->Scale(20), 30);

    // The same resolution again changes nothing.
    ::SendMessageW(host.Handle(), 0x02E0, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(DpiManagerTest, CheckAfterCreationScalesAHiddenFormByItsOwnSize)
{
    dpi = 144;
    auto m = MakeManager();
    EXPECT_TRUE(changes.empty()); // the check is posted, not run at once
    fw::ProcessMessages();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].state, TDpiState::Check);
    EXPECT_EQ(changes[0].rect.right - changes[0].rect.left, 300);
    EXPECT_EQ(SizeOf(host.Handle()).cx, 300);
    EXPECT_EQ(SizeOf(host.Handle()).cy, 150);
    EXPECT_EQ(FontHeight(m->Font()), -18);
    // Later checks only come with the first show.
    dpi = 192;
    fw::ProcessMessages();
    EXPECT_EQ(changes.size(), 1u);
    ::ShowWindow(host.Handle(), SW_SHOWNOACTIVATE);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(SizeOf(host.Handle()).cx, 400);
}

TEST_F(DpiManagerTest, WithoutAutoSizeTheOwnerOnlyHearsOfIt)
{
    dpi = 120;
    auto m = MakeManager();
    m->AutoSize = false;
    // Scale runs the pending check before the first show.
    EXPECT_EQ(m->Scale(96), 120);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].rect.right - changes[0].rect.left, 250);
    EXPECT_EQ(SizeOf(host.Handle()).cx, 200);
    // The owner resizes to a rectangle of its own choice.
    m->Resize(120, 96, RECT{0, 0, 260, 130});
    EXPECT_EQ(SizeOf(host.Handle()).cx, 260);
    EXPECT_EQ(SizeOf(child).cx, 75);
}

TEST_F(DpiManagerTest, TheFormProcedureIsGivenBackAtDestruction)
{
    auto m = MakeManager();
    dpi = 144;
    m.reset();
    RECT suggested{0, 0, 500, 500};
    ::SendMessageW(host.Handle(), 0x02E0, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(SizeOf(host.Handle()).cx, 200);
    EXPECT_TRUE(changes.empty());
}

} // namespace
