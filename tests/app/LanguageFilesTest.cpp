// The shipped language files (laid out in build/bin/Languages): complete, nothing extra,
// the same placeholders as the built-in English texts, saved as UTF-16 with a mark.
#include "ActionTable.h"
#include "IniFile.h"
#include "Language.h"
#include "Main.h"
#include "Menu.h"
#include "OptionForm.h"
#include "SystemInfo.h"
#include "TextList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace lorvane;

std::wstring LanguagesDir()
{
    std::wstring dir = fw::ExecutablePath();
    dir.erase(dir.find_last_of(L'\\'));
    dir.erase(dir.find_last_of(L'\\') + 1);
    return dir + L"bin\\Languages\\";
}

std::vector<std::wstring> ShippedFiles()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd{};
    HANDLE h = ::FindFirstFileW((LanguagesDir() + L"*.ini").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(fd.cFileName);
    while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return names;
}

std::string Bytes(const std::wstring& file)
{
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The format specifiers in order ("%%" is text, not one), and the device words.
std::vector<std::wstring> Placeholders(const std::wstring& text)
{
    std::vector<std::wstring> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%') {
            size_t j = i + 1;
            if (j < text.size() && text[j] == L'%') {
                i = j;
                continue;
            }
            while (j < text.size() && !iswalpha(text[j]))
                ++j;
            if (j < text.size())
                out.push_back(text.substr(i, j - i + 1));
            i = j;
        } else if ((text[i] == L'$') && i + 1 < text.size() && (text[i + 1] == L'd' || text[i + 1] == L'D')) {
            out.push_back(L"$d");
            ++i;
        }
    }
    return out;
}

std::set<std::wstring> KeysOf(const fw::TIniFile& ini, const wchar_t* section)
{
    std::set<std::wstring> keys;
    for (const auto& [key, value] : ini.SectionValues(section))
        keys.insert(key);
    return keys;
}

// The keys of [Option]: every captioned control of the settings dialog, a key per list-view
// column (name + number), the filters of the two file dialogs and the sound list's entry for
// no file.
std::set<std::wstring> OptionKeys()
{
    std::set<std::wstring> keys{L"SoundOpenDialog", L"ToolOpenDialog", L"SoundSystemBeep"};
    for (size_t i = 0; i < kOptionFormDesc.Count; ++i) {
        const fw::TControlDesc& c = kOptionFormDesc.Controls[i];
        const std::wstring props = c.Props ? c.Props : L"";
        const size_t columns = props.find(L"Columns=");
        if (std::wstring(c.Kind) == L"TListView" && columns != std::wstring::npos) {
            std::wstring list = props.substr(columns + 8, props.find(L';', columns) - columns - 8);
            int n = 0;
            for (size_t at = 0; at != std::wstring::npos; at = list.find(L',', at + 1))
                keys.insert(c.Name + std::to_wstring(n++));
        } else if (c.Caption && *c.Caption) {
            keys.insert(c.Name);
        }
    }
    return keys;
}

TEST(LanguageFiles, EveryShippedFileIsCompleteAndKeepsThePlaceholders)
{
    const std::vector<std::wstring> files = ShippedFiles();
    const std::set<std::wstring> required{L"German.ini",  L"French.ini",   L"Spanish.ini",
                                          L"Russian.ini", L"Japanese.ini", L"Chinese (Simplified).ini",
                                          L"English.ini"};
    for (const std::wstring& r : required)
        EXPECT_NE(std::find(files.begin(), files.end(), r), files.end())
            << "missing: " << std::string(r.begin(), r.end());

    std::set<std::wstring> mainKeys;
    for (const TDefaultText& t : kDefaultTexts)
        mainKeys.insert(t.key);
    mainKeys.insert(L"LanguageName"); // the language's own name, for the language list
    std::set<std::wstring> actionKeys;
    for (const std::wstring& name : FixedActionNames())
        actionKeys.insert(name);
    ASSERT_EQ(actionKeys.size(), 30u); // the 27 of the first design and the three application actions
    const std::set<std::wstring> optionKeys = OptionKeys();
    ASSERT_GT(optionKeys.size(), 70u);
    EXPECT_TRUE(optionKeys.count(L"MouseListView1"));
    EXPECT_FALSE(optionKeys.count(L"FileNameLabel")); // from the version record, never translated

    for (const std::wstring& name : files) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const std::string bytes = Bytes(LanguagesDir() + name);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE")) << "not UTF-16 LE with a byte-order mark";
        fw::TIniFile ini;
        ASSERT_EQ(ini.LoadFromFile(LanguagesDir() + name), fw::TIniLoad::Loaded);
        EXPECT_EQ(KeysOf(ini, L"Main"), mainKeys);
        EXPECT_EQ(KeysOf(ini, L"Action"), actionKeys);
        EXPECT_EQ(KeysOf(ini, L"Option"), optionKeys);
        for (const TDefaultText& t : kDefaultTexts) {
            const std::wstring value = ini.ReadString(L"Main", t.key, L"");
            EXPECT_FALSE(value.empty()) << std::string(t.key, t.key + wcslen(t.key));
            EXPECT_EQ(Placeholders(value), Placeholders(t.text)) << std::string(t.key, t.key + wcslen(t.key));
        }
        for (const std::wstring& action : actionKeys)
            EXPECT_FALSE(ini.ReadString(L"Action", action, L"").empty());
        EXPECT_FALSE(ini.ReadString(L"Main", L"LanguageName", L"").empty());
    }
}

// The key an accelerator answers to, one for both cases of a letter in any script.
wchar_t AcceleratorKey(const std::wstring& caption)
{
    const wchar_t mark = fw::HotkeyOf(caption);
    return mark ? fw::FoldCase(std::wstring(1, mark))[0] : 0;
}

// Where one key reaches two controls ("<place> <key>"), or an item of a menu without
// automatic accelerators none ("menu none: <caption>"). A place is the main menu, the warning
// box or a page of the settings dialog; the dialog's buttons and tabs count on every page.
// A file without a text leaves the built-in one.
std::set<std::wstring> AcceleratorClashes(const fw::TIniFile& ini)
{
    std::map<std::wstring, std::vector<std::wstring>> places;
    for (const std::wstring& action : MainMenuActionNames()) {
        const auto b = std::find_if(std::begin(kBuiltInActions), std::end(kBuiltInActions),
                                    [&](const BuiltInAction& a) { return action == a.name; });
        places[L"menu"].push_back(ini.ReadString(L"Action", action, b->caption));
    }
    const bool manual = ManualAccelerators(ini.ReadString(L"Action", L"VolumeUpAction", L"Volume Up"));
    for (int text : {txDlgYes, txDlgNo, txDlgCheckBox})
        places[L"warning"].push_back(
            ini.ReadString(L"Main", kDefaultTexts[text].key, kDefaultTexts[text].text));

    std::map<std::wstring, const fw::TControlDesc*> byName;
    for (size_t i = 0; i < kOptionFormDesc.Count; ++i)
        byName[kOptionFormDesc.Controls[i].Name] = &kOptionFormDesc.Controls[i];
    std::vector<std::wstring> everyPage;
    for (size_t i = 0; i < kOptionFormDesc.Count; ++i) {
        const fw::TControlDesc& c = kOptionFormDesc.Controls[i];
        if (!*c.Caption || std::wstring(c.Props).find(L"Visible=0") != std::wstring::npos)
            continue;
        const fw::TControlDesc* page = &c;
        while (page && std::wstring(page->Kind) != L"TTabSheet")
            page = byName[page->Parent];
        const std::wstring caption = ini.ReadString(L"Option", c.Name, c.Caption);
        (!page || page == &c ? everyPage : places[page->Name]).push_back(caption);
    }
    std::set<std::wstring> clashes;
    for (auto& [place, captions] : places) {
        if (place.find(L"Sheet") != std::wstring::npos)
            captions.insert(captions.end(), everyPage.begin(), everyPage.end());
        std::set<wchar_t> keys;
        for (const std::wstring& caption : captions) {
            const wchar_t key = AcceleratorKey(caption);
            if (!key && place == L"menu" && manual)
                clashes.insert(L"menu none: " + caption);
            else if (key && !keys.insert(key).second)
                clashes.insert(place + L" " + key);
        }
    }
    return clashes;
}

TEST(LanguageFiles, NoAcceleratorServesTwoControlsOfOneMenuBoxOrPage)
{
    // The built-in English captions share a key on three pages; English.ini keeps two of them
    // (its reworded Operation page has none).
    const std::set<std::wstring> builtIn{L"IconSheet A", L"MouseSheet D", L"OperationSheet C"};
    const std::set<std::wstring> english{L"IconSheet A", L"MouseSheet D"};
    EXPECT_EQ(AcceleratorClashes(fw::TIniFile()), builtIn);
    for (const std::wstring& name : ShippedFiles()) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        fw::TIniFile ini;
        ASSERT_EQ(ini.LoadFromFile(LanguagesDir() + name), fw::TIniLoad::Loaded);
        EXPECT_EQ(AcceleratorClashes(ini), name == L"English.ini" ? english : std::set<std::wstring>{});
    }
}

TEST(LanguageFiles, EnglishFileHoldsTheBuiltInTexts)
{
    fw::TIniFile ini;
    ASSERT_EQ(ini.LoadFromFile(LanguagesDir() + L"English.ini"), fw::TIniLoad::Loaded);
    for (const TDefaultText& t : kDefaultTexts)
        EXPECT_EQ(ini.ReadString(L"Main", t.key, L""), t.text);
    // A few captions read better in the shipped file than in the built-in fallback; they keep
    // their accelerator.
    const std::set<std::wstring> reworded{L"RoundStepCheckBox", L"AutoUnmuteCheckBox", L"SoundGroupBox",
                                          L"SoundCheckBox",     L"BalloonHintCheckBox", L"NotifyGroupBox"};
    for (size_t i = 0; i < kOptionFormDesc.Count; ++i) {
        const fw::TControlDesc& c = kOptionFormDesc.Controls[i];
        if (!c.Caption || !*c.Caption)
            continue;
        const std::wstring shipped = ini.ReadString(L"Option", c.Name, L"");
        if (reworded.count(c.Name)) {
            EXPECT_NE(shipped, c.Caption);
            EXPECT_EQ(shipped.find(L'&') != std::wstring::npos, std::wcschr(c.Caption, L'&') != nullptr) << c.Name;
        } else {
            EXPECT_EQ(shipped, c.Caption);
        }
    }
}

} // namespace
