#include "Language.h"

namespace lorvane {

std::vector<std::wstring> LanguageSectionSuffixes(DWORD major, DWORD minor, bool nt)
{
    std::vector<std::wstring> out{L""};
    if (!nt)
        return out;
    auto atLeast = [&](DWORD ma, DWORD mi) { return major > ma || (major == ma && minor >= mi); };
    const bool reached[] = {
        true,          // Windows NT
        atLeast(5, 0), // 2000
        atLeast(5, 1), // XP: above 5.0
        atLeast(5, 2), // 2003: above 5.1
        atLeast(6, 0), // Vista
        atLeast(6, 1), // 7: above 6.0
        atLeast(6, 2), // 8: above 6.1
        atLeast(6, 3), // 8.1: above 6.2
        major >= 10,   // 10
    };
    for (size_t i = 0; i < std::size(kWindowsSectionNames); ++i)
        if (reached[i])
            out.push_back(std::wstring(L" ") + kWindowsSectionNames[i]);
    return out;
}

TLocaleNames UserLocaleNames()
{
    auto info = [](LCTYPE type) {
        wchar_t buf[128] = {};
        return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, 128) > 0 ? std::wstring(buf) : std::wstring();
    };
    TLocaleNames n;
    n.EnglishLanguage = info(LOCALE_SENGLANGUAGE);
    n.EnglishCountry = info(LOCALE_SENGCOUNTRY);
    n.AbbrevLanguage = info(LOCALE_SABBREVLANGNAME);
    n.AbbrevCountry = info(LOCALE_SABBREVCTRYNAME);
    n.NativeLanguage = info(LOCALE_SNATIVELANGNAME);
    n.NativeCountry = info(LOCALE_SNATIVECTRYNAME);
    return n;
}

std::vector<std::wstring> LocaleCandidates(const TLocaleNames& n)
{
    const std::wstring* languages[] = {&n.EnglishLanguage, &n.AbbrevLanguage, &n.NativeLanguage};
    const std::wstring* countries[] = {&n.EnglishCountry, &n.AbbrevCountry, &n.NativeCountry};
    std::vector<std::wstring> out;
    for (const std::wstring* l : languages)
        for (const std::wstring* c : countries)
            out.push_back(*l + L" - " + *c);
    for (const std::wstring* l : languages)
        out.push_back(*l);
    for (const std::wstring* c : countries)
        out.push_back(*c);
    return out;
}

std::wstring PickLocaleFile(const std::wstring& folder, std::wstring extension, const TLocaleNames& names,
                            const std::function<bool(const std::wstring&)>& fileExists)
{
    if (extension.empty() || extension.front() != L'.')
        extension.insert(0, L".");
    for (const std::wstring& candidate : LocaleCandidates(names)) {
        // A locale text that is missing would make " - X" or "" a candidate: never a language.
        if (candidate.empty() || candidate.starts_with(L" - ") || candidate.ends_with(L" - "))
            continue;
        if (fileExists(folder + candidate + extension))
            return candidate;
    }
    return {};
}

void ReadLanguage(const fw::TIniFile& ini, const std::vector<std::wstring>& suffixes, TTextList& texts,
                  fw::TActionList* actions, const std::function<void(const fw::TFontRequest&)>& applyMainFont)
{
    for (const std::wstring& suffix : suffixes) {
        auto applies = [&](const std::wstring& section) {
            return suffix.empty() || ini.SectionExists(section);
        };
        const std::wstring font = std::wstring(fw::TrimControl(L"Font" + suffix));
        if (applies(font) && applyMainFont)
            applyMainFont(fw::ReadFontRequest(ini, font, L"Main"));
        const std::wstring main = L"Main" + suffix;
        if (applies(main)) {
            for (int i = 0; i < texts.Count(); ++i)
                if (!texts.Key(i).empty())
                    texts.SetText(i, ini.ReadString(main, texts.Key(i), texts.Text(i)));
        }
        const std::wstring action = L"Action" + suffix;
        if (actions && applies(action)) {
            for (int i = 0; i < actions->Count(); ++i) {
                fw::TAction* a = actions->Action(i);
                if (a->Category.empty())
                    a->Caption = ini.ReadString(action, a->Name(), a->Caption);
            }
        }
    }
}

bool ManualAccelerators(const std::wstring& caption)
{
    if (caption.empty())
        return true;
    wchar_t c = caption.front();
    return !((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'));
}

std::wstring ChooseHelpFileName(const std::wstring& helpDir, const std::wstring& language,
                                const std::function<bool(const std::wstring&)>& fileExists)
{
    if (!language.empty() && fileExists(helpDir + language + L".chm"))
        return helpDir + language + L".chm";
    if (fileExists(helpDir + L"Lorvane.chm"))
        return helpDir + L"Lorvane.chm";
    return {};
}

} // namespace lorvane
