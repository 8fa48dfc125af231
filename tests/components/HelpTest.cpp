// The help launcher against a recording viewer.
#include "Help.h"

#include <gtest/gtest.h>

#include <htmlhelp.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace {

using namespace lorvane;

struct Call {
    HWND caller = nullptr;
    std::string file;
    UINT command = 0;
    DWORD_PTR data = 0;
    THHAKLinkA link{};
    THHPopupA popup{};
    std::string keywords;
};

struct Viewer {
    std::vector<Call> calls;
    HWND answer = reinterpret_cast<HWND>(1);
    HRESULT lastError = S_OK;
    const wchar_t* description = nullptr;

    THtmlHelpFunction Function()
    {
        return [this](HWND caller, const char* file, UINT command, DWORD_PTR data) -> HWND {
            Call c;
            c.caller = caller;
            c.file = file ? file : "";
            c.command = command;
            c.data = data;
            if (command == HH_KEYWORD_LOOKUP) {
                c.link = *reinterpret_cast<const THHAKLinkA*>(data);
                c.keywords = c.link.pszKeywords ? c.link.pszKeywords : "";
            } else if (command == HH_DISPLAY_TEXT_POPUP) {
                c.popup = *reinterpret_cast<const THHPopupA*>(data);
            } else if (command == HH_INITIALIZE) {
                *reinterpret_cast<DWORD_PTR*>(data) = 77;
            } else if (command == HH_GET_LAST_ERROR) {
                struct LastError {
                    int cbStruct;
                    HRESULT hr;
                    BSTR description;
                }* e = reinterpret_cast<LastError*>(data);
                e->hr = lastError;
                e->description = description ? ::SysAllocString(description) : nullptr;
                calls.push_back(c);
                return nullptr;
            }
            calls.push_back(c);
            if (command == HH_HELP_CONTEXT)
                return nullptr; // no context map in these files
            return answer;
        };
    }
    int Count(UINT command) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.command == command;
        return n;
    }
    const Call* Last(UINT command) const
    {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->command == command)
                return &*it;
        return nullptr;
    }
};

struct HelpFixture : ::testing::Test {
    Viewer viewer;
    THtmlHelp help;
    std::vector<std::wstring> errors;
    HelpFixture()
    {
        help.HtmlHelpFunction = viewer.Function();
        help.ApplicationWindow = reinterpret_cast<HWND>(0x1234);
        help.OwnerWindow = reinterpret_cast<HWND>(0x5678);
        help.ShowError = [this](const std::wstring& text) { errors.push_back(text); };
    }
};

TEST_F(HelpFixture, KeywordRecordAsksForTheIndexWhenNothingIsFound)
{
    help.HelpFile = L"C:\\Lorvane\\Help\\Lorvane.chm";
    EXPECT_TRUE(help.ShowKeyword(L"Mouse"));
    const Call* c = viewer.Last(HH_KEYWORD_LOOKUP);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->link.cbStruct, static_cast<int>(sizeof(HH_AKLINK)));
    EXPECT_EQ(sizeof(THHAKLinkA), sizeof(HH_AKLINK));
    EXPECT_EQ(sizeof(THHPopupA), sizeof(HH_POPUP));
    EXPECT_TRUE(c->link.fIndexOnFail);
    EXPECT_EQ(c->keywords, "Mouse");
    EXPECT_EQ(c->link.pszUrl, nullptr);
    EXPECT_EQ(c->link.pszMsgText, nullptr);
    EXPECT_EQ(c->link.pszWindow, nullptr);
    EXPECT_EQ(c->file, "C:\\Lorvane\\Help\\Lorvane.chm");
    EXPECT_EQ(c->caller, reinterpret_cast<HWND>(0x5678));
}

TEST_F(HelpFixture, TwoRequestsInitialiseTheLibraryOnce)
{
    help.HelpFile = L"x.chm";
    EXPECT_TRUE(help.ShowContents());
    EXPECT_TRUE(help.ShowKeyword(L"Tool"));
    EXPECT_EQ(viewer.Count(HH_INITIALIZE), 1);
    EXPECT_EQ(help.Cookie(), 77u);
    ASSERT_TRUE(viewer.Last(HH_DISPLAY_TOPIC));
    EXPECT_EQ(viewer.Last(HH_DISPLAY_TOPIC)->data, 0u); // the file's default page
}

TEST_F(HelpFixture, ExtensionInAnyCaseIsHandledOtherFilesAreNot)
{
    bool handled = false;
    help.HelpFile = L"C:\\Help\\LORVANE.CHM";
    EXPECT_TRUE(help.Help(HELP_CONTENTS, 0, handled));
    EXPECT_TRUE(handled);
    viewer.calls.clear();
    help.HelpFile = L"C:\\Help.chm\\Lorvane.hlp";
    EXPECT_FALSE(help.Help(HELP_CONTENTS, 0, handled));
    EXPECT_FALSE(handled);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_TRUE(IsChmFile(L"a.Chm"));
    EXPECT_FALSE(IsChmFile(L"chm"));
    EXPECT_FALSE(IsChmFile(L"a.chm.txt"));
}

TEST_F(HelpFixture, ContextPopupFallsBackToTheTextFileAtThePopupPosition)
{
    help.HelpFile = L"x.chm";
    bool handled = false;
    EXPECT_TRUE(help.Help(HELP_SETPOPUP_POS, MAKELONG(120, 340), handled));
    ASSERT_EQ(viewer.calls.size(), 1u); // only the library's initialisation
    EXPECT_EQ(viewer.calls[0].command, static_cast<UINT>(HH_INITIALIZE));
    EXPECT_TRUE(help.Help(HELP_CONTEXTPOPUP, 42, handled));
    const Call* popup = viewer.Last(HH_DISPLAY_TEXT_POPUP);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->file, "x.chm::/cshelp.txt");
    EXPECT_EQ(popup->popup.cbStruct, static_cast<int>(sizeof(HH_POPUP)));
    EXPECT_EQ(popup->popup.idString, 42u);
    EXPECT_EQ(popup->popup.pt.x, 120);
    EXPECT_EQ(popup->popup.pt.y, 340);
    EXPECT_EQ(popup->popup.clrForeground, static_cast<COLORREF>(-1));
    EXPECT_EQ(popup->popup.rcMargins.left, -1);
    EXPECT_EQ(popup->popup.rcMargins.bottom, -1);
    EXPECT_EQ(viewer.Count(HH_GET_LAST_ERROR), 0); // no error check for pop-ups
}

TEST_F(HelpFixture, FailedCallShowsTheViewersDescription)
{
    help.HelpFile = L"x.chm";
    viewer.answer = nullptr;
    viewer.lastError = E_FAIL;
    viewer.description = L"The file could not be opened.";
    EXPECT_FALSE(help.ShowContents());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], L"The file could not be opened.");

    viewer.lastError = S_OK; // no failure code: nothing to show
    EXPECT_FALSE(help.ShowKeyword(L"Icon"));
    EXPECT_EQ(errors.size(), 1u);
    help.CloseAll();
    ASSERT_TRUE(viewer.Last(HH_CLOSE_ALL));
    EXPECT_EQ(viewer.Last(HH_CLOSE_ALL)->file, "");
}

} // namespace
