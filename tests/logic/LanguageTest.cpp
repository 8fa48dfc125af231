#include "Language.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace lorvane;

TLocaleNames GermanGermany()
{
    return {L"German", L"Germany", L"DEU", L"DEU", L"Deutsch", L"Deutschland"};
}

TEST(LanguageChoice, CandidatesInOrder)
{
    auto c = LocaleCandidates(GermanGermany());
    ASSERT_EQ(c.size(), 15u);
    EXPECT_EQ(c[0], L"German - Germany");
    EXPECT_EQ(c[3], L"DEU - Germany");
    EXPECT_EQ(c[8], L"Deutsch - Deutschland");
    EXPECT_EQ(c[9], L"German");
    EXPECT_EQ(c[14], L"Deutschland");
}

TEST(LanguageChoice, LanguageWithCountryWinsOverLanguageAlone)
{
    std::set<std::wstring> files{L"L\\German - Germany.ini", L"L\\German.ini"};
    auto exists = [&](const std::wstring& f) { return files.count(f) > 0; };
    EXPECT_EQ(PickLocaleFile(L"L\\", L".ini", GermanGermany(), exists), L"German - Germany");
    EXPECT_EQ(PickLocaleFile(L"L\\", L"ini", GermanGermany(), exists), L"German - Germany"); // dot added
    files.erase(L"L\\German - Germany.ini");
    EXPECT_EQ(PickLocaleFile(L"L\\", L".ini", GermanGermany(), exists), L"German");
    files.clear();
    EXPECT_EQ(PickLocaleFile(L"L\\", L".ini", GermanGermany(), exists), L"");
}

TEST(LanguageChoice, MissingLocaleTextsNeverMakeAFileName)
{
    // A locale that answers nothing must not pick " - .ini" or ".ini".
    std::set<std::wstring> files{L"L\\ - .ini", L"L\\.ini"};
    auto exists = [&](const std::wstring& f) { return files.count(f) > 0; };
    EXPECT_EQ(PickLocaleFile(L"L\\", L".ini", TLocaleNames{}, exists), L"");
}

TEST(LanguageSections, WindowsNamesReachedByVersion)
{
    struct Case {
        DWORD major, minor;
        size_t count; // suffixes after the empty one
    } cases[] = {{4, 0, 1}, {5, 0, 2}, {5, 1, 3}, {5, 2, 4}, {6, 0, 5},
                 {6, 1, 6}, {6, 2, 7}, {6, 3, 8}, {10, 0, 9}};
    for (const Case& c : cases) {
        auto s = LanguageSectionSuffixes(c.major, c.minor, true);
        ASSERT_EQ(s.size(), c.count + 1) << c.major << "." << c.minor;
        EXPECT_EQ(s[0], L"");
        EXPECT_EQ(s.back(), std::wstring(L" ") + kWindowsSectionNames[c.count - 1]);
    }
    EXPECT_EQ(LanguageSectionSuffixes(4, 10, false), std::vector<std::wstring>{L""}); // not NT: none
}

struct LanguageFixture : ::testing::Test {
    TTextList texts;
    fw::TActionList actions;
    std::vector<TFontRequest> fonts;
    LanguageFixture()
    {
        FillDefaultTexts(texts);
        actions.Add(L"VolumeUpAction", L"Volume Up");
        actions.Add(L"Volume0Action", L"&1: 10%")->Category = L"Volume";
    }
    void Read(const wchar_t* text, DWORD major, DWORD minor)
    {
        fw::TIniFile ini;
        ini.SetText(text);
        ReadLanguage(ini, LanguageSectionSuffixes(major, minor, true), texts, &actions,
                     [this](const TFontRequest& r) { fonts.push_back(r); });
    }
};

constexpr wchar_t kSevenFile[] = L"[Main]\nBarMute=Stumm\nMsgVolume=Allgemein\n"
                                 L"[Main Windows 7]\nMsgVolume=Sieben\n"
                                 L"[Action]\nVolumeUpAction=Lauter\nVolume0Action=nie\n"
                                 L"[Font Windows 7]\nMainFontName=Segoe UI\nMainFontSize=9\n";

TEST_F(LanguageFixture, LaterWindowsSectionOverridesOnWindows10)
{
    Read(kSevenFile, 10, 0);
    EXPECT_EQ(texts.Text(txMsgVolume), L"Sieben");
    EXPECT_EQ(texts.Text(txBarMute), L"Stumm");
    EXPECT_EQ(actions.Find(L"VolumeUpAction")->Caption, L"Lauter");
    EXPECT_EQ(actions.Find(L"Volume0Action")->Caption, L"&1: 10%"); // actions with a category are not named
    ASSERT_EQ(fonts.size(), 2u); // [Font] always, [Font Windows 7] because it exists
    EXPECT_EQ(fonts[0].Name, L"");
    EXPECT_EQ(fonts[0].Size, -1);
    EXPECT_EQ(fonts[1].Name, L"Segoe UI");
    EXPECT_EQ(fonts[1].Size, 9);
    EXPECT_EQ(fonts[1].Charset, -1);
}

TEST_F(LanguageFixture, OnVistaOnlyTheGeneralSectionApplies)
{
    Read(kSevenFile, 6, 0);
    EXPECT_EQ(texts.Text(txMsgVolume), L"Allgemein");
    EXPECT_EQ(fonts.size(), 1u);
}

TEST_F(LanguageFixture, AKeyMissingInTheNextLanguageKeepsThePreviousText)
{
    Read(L"[Main]\nBarMute=Stumm\nDlgYes=&Ja\n", 10, 0);
    Read(L"[Main]\nDlgYes=&Oui\n", 10, 0);
    EXPECT_EQ(texts.Text(txBarMute), L"Stumm");
    EXPECT_EQ(texts.Text(txDlgYes), L"&Oui");
    EXPECT_EQ(texts.Text(txDlgNo), L"&No");
}

TEST(LanguageAccelerators, NonLatinFirstLetterSwitchesToManual)
{
    EXPECT_FALSE(ManualAccelerators(L"Volume Up"));
    EXPECT_FALSE(ManualAccelerators(L"lauter"));
    EXPECT_TRUE(ManualAccelerators(L"音量を上げる(&U)"));
    EXPECT_TRUE(ManualAccelerators(L"Громче"));
    EXPECT_TRUE(ManualAccelerators(L"Érhöhen"));
    EXPECT_TRUE(ManualAccelerators(L""));
}

TEST(LanguageFont, NoFontKeysGiveTheMenuFontScaledToTheResolution)
{
    const TFontSpec menu{L"Segoe UI", 9, 1};
    fw::TIniFile empty;
    TFontSpec font = ResolveFont(ReadFontRequest(empty, L"Font", L"Main"), menu);
    EXPECT_EQ(font, menu);
    EXPECT_EQ(FontAtDpi(font, 96).lfHeight, -12);
    EXPECT_EQ(FontAtDpi(font, 192).lfHeight, -24);
    EXPECT_EQ(std::wstring(FontAtDpi(font, 96).lfFaceName), L"Segoe UI");

    fw::TIniFile ini;
    ini.SetText(L"[Font]\nMainFontName=MS UI Gothic\nMainFontCharset=128\n");
    font = ResolveFont(ReadFontRequest(ini, L"Font", L"Main"), menu);
    EXPECT_EQ(font, (TFontSpec{L"MS UI Gothic", 9, 128}));
}

TEST(LanguageHelp, FileNamedAfterTheLanguageElseTheGeneralOne)
{
    std::set<std::wstring> files{L"H\\German.chm", L"H\\Lorvane.chm"};
    auto exists = [&](const std::wstring& f) { return files.count(f) > 0; };
    EXPECT_EQ(ChooseHelpFileName(L"H\\", L"German", exists), L"H\\German.chm");
    EXPECT_EQ(ChooseHelpFileName(L"H\\", L"French", exists), L"H\\Lorvane.chm");
    files.clear();
    EXPECT_EQ(ChooseHelpFileName(L"H\\", L"French", exists), L"");
}

} // namespace
