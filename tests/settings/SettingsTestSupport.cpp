#include "SettingsTestSupport.h"

#include <atomic>

namespace settingstest {

namespace {

struct Fixed {
    const wchar_t* name;
    bool visible;
};
// The design visibility of the fixed actions, before Windows-version defaults.
constexpr Fixed kFixed[] = {
    {L"DeviceMenuAction", true},    {L"DeviceChangeAction", false}, {L"VolumeMenuAction", true},
    {L"VolumeUpAction", false},     {L"VolumeDownAction", false},   {L"VolumeResetAction", false},
    {L"MuteChangeAction", true},    {L"MuteOffAction", false},      {L"MuteOnAction", false},
    {L"PopupBarAction", false},     {L"PopupVolumeAction", false},  {L"RunControlAction", true},
    {L"RunProperty0Action", true},  {L"RunProperty1Action", false}, {L"RunProperty2Action", false},
    {L"RunProperty3Action", false}, {L"RunProperty4Action", false}, {L"RunOptionAction", false},
    {L"ToolMenuAction", true},      {L"EnableHotKeyAction", true},  {L"EnableWheelAction", true},
    {L"ShowOptionAction", true},    {L"ShowVersionAction", false},  {L"ShowHelpAction", false},
    {L"MainMenuAction", false},     {L"RestartAction", false},      {L"CloseAction", true},
    {L"AppVolumeUpAction", false},  {L"AppVolumeDownAction", false}, {L"AppMuteChangeAction", false},
};

} // namespace

TempFolder::TempFolder(const std::wstring& tag)
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path = std::wstring(temp) + L"lorvane-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
    RemoveTree(path);
    ::CreateDirectoryW(path.c_str(), nullptr);
    path += L'\\';
}

TempFolder::~TempFolder()
{
    RemoveTree(path.substr(0, path.size() - 1));
}

std::vector<std::wstring> TempFolder::Names() const
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd{};
    HANDLE h = ::FindFirstFileW((path + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..")
            names.push_back(n);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return names;
}

void RemoveTree(const std::wstring& path)
{
    DWORD attr = ::GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesW(path.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW fd{};
    HANDLE h = ::FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring n = fd.cFileName;
            if (n != L"." && n != L"..")
                RemoveTree(path + L"\\" + n);
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(path.c_str());
}

std::string ReadBytes(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof(buf), &got, nullptr) && got > 0)
        bytes.append(buf, got);
    ::CloseHandle(h);
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ::CloseHandle(h);
    return ok;
}

std::string Utf16LeWithBom(const std::wstring& text)
{
    std::string out = "\xFF\xFE";
    for (wchar_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string Utf16BeWithBom(const std::wstring& text)
{
    std::string out = "\xFE\xFF";
    for (wchar_t c : text) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

std::string Utf8WithBom(const std::wstring& text)
{
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return "\xEF\xBB\xBF" + out;
}

bool Ansi(const std::wstring& text, std::string& out)
{
    BOOL lossy = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  &lossy);
    out.assign(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          &lossy);
    return !lossy && n > 0;
}

fw::TIniFile Parse(const std::wstring& text)
{
    fw::TIniFile ini;
    ini.SetText(text);
    return ini;
}

std::vector<std::wstring> Keys(const fw::TIniFile& ini, const wchar_t* section)
{
    std::vector<std::wstring> keys;
    for (const auto& kv : ini.SectionValues(section))
        keys.push_back(kv.first);
    return keys;
}

std::vector<lorvane::TActionRef> FixedActions()
{
    std::vector<lorvane::TActionRef> refs;
    for (const Fixed& f : kFixed)
        refs.push_back({f.name, L""});
    return refs;
}

std::map<std::wstring, bool> DesignMenuVisibility()
{
    std::map<std::wstring, bool> m;
    for (const Fixed& f : kFixed)
        m[f.name] = f.visible;
    return m;
}

} // namespace settingstest
