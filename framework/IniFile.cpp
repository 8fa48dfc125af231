#include "IniFile.h"

#include "IntText.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cwchar>

namespace fw {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::wstring out(bytes.size() / 2, L'\0'); // an odd last byte cannot be a character
    for (size_t i = 0; i < out.size(); ++i) {
        auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        out[i] = static_cast<wchar_t>(lo | (hi << 8));
    }
    return out;
}

std::wstring DecodeAnsi(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int n = static_cast<int>(bytes.size()); // bounded by kMaxFileBytes
    int len = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
    if (len > 0) {
        std::wstring out(static_cast<size_t>(len), L'\0');
        if (::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, out.data(), len) == len)
            return out;
    }
    // The code page refused the bytes: keep them as Latin-1 rather than lose the file.
    std::wstring out(bytes.size(), L'\0');
    std::transform(bytes.begin(), bytes.end(), out.begin(),
                   [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
    return out;
}

bool IsAsciiText(std::wstring_view s)
{
    return std::all_of(s.begin(), s.end(), [](wchar_t c) { return c < 0x80; });
}

wchar_t AsciiUpper(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

std::wstring NoLineBreaks(std::wstring_view s)
{
    std::wstring out(s);
    std::replace_if(
        out.begin(), out.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    return out;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

} // namespace

std::wstring DecodeUtf8(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    size_t i = 0;
    const size_t n = bytes.size();
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    auto cont = [&](size_t k) { return k < n && (at(k) & 0xC0) == 0x80; };
    while (i < n) {
        unsigned char b = at(i);
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t len = 0;
        uint32_t min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            cp = b & 0x1F, len = 2, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cp = b & 0x0F, len = 3, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cp = b & 0x07, len = 4, min = 0x10000;
        }
        size_t k = 1;
        while (len && k < len && cont(i + k)) {
            cp = (cp << 6) | (at(i + k) & 0x3F);
            ++k;
        }
        if (len == 0 || k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // Skip the bad lead and the continuation bytes it claimed, one replacement for all.
            out += kReplacement;
            i += std::max<size_t>(k, 1);
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
        i += len;
    }
    return out;
}

std::wstring DecodeIniBytes(std::string_view bytes)
{
    auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    if (bytes.size() >= 2 && b(0) == 0xFF && b(1) == 0xFE)
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && b(0) == 0xFE && b(1) == 0xFF)
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return DecodeUtf8(bytes.substr(3));
    return DecodeAnsi(bytes);
}

std::wstring_view TrimControl(std::wstring_view text)
{
    size_t first = 0, last = text.size();
    while (first < last && text[first] <= L' ')
        ++first;
    while (last > first && text[last - 1] <= L' ')
        --last;
    return text.substr(first, last - first);
}

std::optional<int> ParseIniInteger(std::wstring_view text)
{
    std::wstring_view t = TrimControl(text);
    bool negative = false;
    if (!t.empty() && (t.front() == L'+' || t.front() == L'-')) {
        negative = t.front() == L'-';
        t.remove_prefix(1);
    }
    bool hex = false;
    if (!t.empty() && t.front() == L'$') {
        hex = true;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
        hex = true;
        t.remove_prefix(2);
    }
    if (t.empty())
        return std::nullopt;
    if (hex) {
        // Up to 32 bits; "$FFFFFFFF" is -1, as a 32-bit pattern reads.
        uint64_t v = 0;
        for (wchar_t c : t) {
            int d = HexDigit(c);
            if (d < 0)
                return std::nullopt;
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFull)
                return std::nullopt;
        }
        uint32_t bits = static_cast<uint32_t>(v);
        if (negative)
            bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t v = 0;
    for (wchar_t c : t) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        v = v * 10 + (c - L'0');
        if (v > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -v : v);
}

std::wstring FoldCase(std::wstring_view text)
{
    std::wstring out(text);
    size_t i = 0;
    while (i < out.size()) {
        if (out[i] < 0x80) {
            out[i] = AsciiUpper(out[i]);
            ++i;
            continue;
        }
        // The invariant locale keeps the result independent of the user's language (the
        // Turkish dotted I), and LCMAP_UPPERCASE maps one unit to one unit.
        size_t j = i;
        while (j < out.size() && out[j] >= 0x80)
            ++j;
        const int n = static_cast<int>(std::min<size_t>(j - i, 0x7FFFFFFF));
        std::wstring run(out, i, static_cast<size_t>(n));
        if (::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, run.c_str(), n, out.data() + i, n) != n)
            std::copy(run.begin(), run.end(), out.begin() + static_cast<std::ptrdiff_t>(i));
        i += static_cast<size_t>(n);
    }
    return out;
}

bool SameText(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    if (IsAsciiText(a) && IsAsciiText(b)) {
        for (size_t i = 0; i < a.size(); ++i) {
            if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
                return false;
        }
        return true;
    }
    return FoldCase(a) == FoldCase(b);
}

std::wstring ReplaceAllIgnoreCase(std::wstring_view text, std::wstring_view from, std::wstring_view to)
{
    if (from.empty())
        return std::wstring(text);
    const std::wstring foldedText = FoldCase(text);
    const std::wstring foldedFrom = FoldCase(from);
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = foldedText.find(foldedFrom, pos);
        if (hit == std::wstring::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

bool WriteFileReplacing(const std::wstring& path, std::string_view bytes)
{
    if (path.empty())
        return false;
    // A read-only file is the user's way of freezing it; Windows refuses to replace one, and
    // saying so here keeps every system alike.
    const DWORD attr = ::GetFileAttributesW(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // A unique name beside the target, so the final move stays within one volume and two
    // processes saving at once never share a temporary file.
    static std::atomic<unsigned> counter{0};
    std::wstring temp;
    UniqueFile file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temp = path + L"." + fw::IntToHex(::GetCurrentProcessId(), 1, false) + L"-" +
               fw::IntToHex(counter++, 1, false) + L".tmp";
        file.reset(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!file)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        ok = ::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = ok && ::FlushFileBuffers(file.get());
    file.reset();
    ok = ok && ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        ::DeleteFileW(temp.c_str());
    return ok;
}

TIniLoad TIniFile::LoadFromFile(const std::wstring& path)
{
    sections.clear();
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD e = ::GetLastError();
        return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? TIniLoad::Missing
                                                                        : TIniLoad::Failed;
    }
    std::string bytes;
    for (;;) {
        const size_t room = kMaxFileBytes - bytes.size();
        if (room == 0) {
            // Whatever follows the bound would be lost by writing the content back.
            char more = 0;
            DWORD got = 0;
            const bool read = ::ReadFile(file.get(), &more, 1, &got, nullptr);
            LoadFromBytes(bytes);
            return read && got == 0 ? TIniLoad::Loaded : TIniLoad::Partial;
        }
        const size_t old = bytes.size();
        const DWORD want = static_cast<DWORD>(std::min<size_t>(room, 64u << 10));
        bytes.resize(old + want);
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + old, want, &got, nullptr))
            return TIniLoad::Failed;
        bytes.resize(old + got);
        if (got == 0)
            break;
    }
    LoadFromBytes(bytes);
    return TIniLoad::Loaded;
}

bool TIniFile::SaveToFile(const std::wstring& path) const
{
    return WriteFileReplacing(path, SaveToBytes());
}

void TIniFile::LoadFromBytes(std::string_view bytes)
{
    SetText(DecodeIniBytes(bytes));
}

std::string TIniFile::SaveToBytes() const
{
    const std::wstring text = Text();
    std::string out;
    out.reserve(2 + text.size() * 2);
    out += '\xFF';
    out += '\xFE';
    for (wchar_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

void TIniFile::SetText(std::wstring_view text)
{
    sections.clear();
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring_view::npos)
            end = text.size();
        std::wstring_view line = TrimControl(text.substr(pos, end - pos));
        pos = (end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n') ? end + 2 : end + 1;

        if (line.empty() || line.front() == L';')
            continue;
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            sections.push_back({std::wstring(TrimControl(line.substr(1, line.size() - 2))), {}});
            continue;
        }
        if (sections.empty())
            continue;
        std::vector<Line>& lines = sections.back().lines;
        size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos)
            lines.push_back({std::wstring(line), {}, false});
        else
            // The line is trimmed already; a value keeps its leading blanks, so a text
            // can start with a space.
            lines.push_back(
                {std::wstring(TrimControl(line.substr(0, eq))), std::wstring(line.substr(eq + 1)), true});
    }
}

std::wstring TIniFile::Text() const
{
    std::wstring out;
    for (const Section& s : sections) {
        out += L'[';
        out += s.name;
        out += L"]\r\n";
        for (const Line& l : s.lines) {
            out += l.key;
            if (l.entry) {
                out += L'=';
                out += l.value;
            }
            out += L"\r\n";
        }
        out += L"\r\n";
    }
    return out;
}

std::vector<std::wstring> TIniFile::SectionNames() const
{
    std::vector<std::wstring> names;
    names.reserve(sections.size());
    for (const Section& s : sections)
        names.push_back(s.name);
    return names;
}

const TIniFile::Section* TIniFile::FindSection(std::wstring_view name) const
{
    for (const Section& s : sections) {
        if (SameText(s.name, name))
            return &s;
    }
    return nullptr;
}

TIniFile::Section* TIniFile::FindSection(std::wstring_view name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const TIniFile::Line* TIniFile::FindKey(const Section& s, std::wstring_view key)
{
    for (const Line& l : s.lines) {
        if (l.entry && SameText(l.key, key))
            return &l;
    }
    return nullptr;
}

bool TIniFile::SectionExists(std::wstring_view section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::wstring_view section, std::wstring_view key) const
{
    const Section* s = FindSection(section);
    return s && FindKey(*s, key);
}

std::vector<std::pair<std::wstring, std::wstring>> TIniFile::SectionValues(std::wstring_view section) const
{
    std::vector<std::pair<std::wstring, std::wstring>> values;
    if (const Section* s = FindSection(section)) {
        for (const Line& l : s->lines) {
            if (l.entry)
                values.emplace_back(l.key, l.value);
        }
    }
    return values;
}

std::wstring TIniFile::ReadString(std::wstring_view section, std::wstring_view key,
                                  std::wstring_view def) const
{
    const Section* s = FindSection(section);
    const Line* l = s ? FindKey(*s, key) : nullptr;
    return l ? l->value : std::wstring(def);
}

int TIniFile::ReadInteger(std::wstring_view section, std::wstring_view key, int def) const
{
    const Section* s = FindSection(section);
    const Line* l = s ? FindKey(*s, key) : nullptr;
    if (!l)
        return def;
    return ParseIniInteger(l->value).value_or(def);
}

bool TIniFile::ReadBool(std::wstring_view section, std::wstring_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::wstring_view section, std::wstring_view key, std::wstring_view value)
{
    Section* s = FindSection(section);
    if (!s) {
        sections.push_back({NoLineBreaks(section), {}});
        s = &sections.back();
    }
    if (Line* l = const_cast<Line*>(FindKey(*s, key))) {
        l->value = NoLineBreaks(value);
        return;
    }
    s->lines.push_back({NoLineBreaks(key), NoLineBreaks(value), true});
}

void TIniFile::WriteInteger(std::wstring_view section, std::wstring_view key, int value)
{
    WriteString(section, key, fw::IntToStr(value));
}

void TIniFile::WriteBool(std::wstring_view section, std::wstring_view key, bool value)
{
    WriteString(section, key, value ? L"1" : L"0");
}

void TIniFile::EraseSection(std::wstring_view section)
{
    std::erase_if(sections, [&](const Section& s) { return SameText(s.name, section); });
}

void TIniFile::DeleteKey(std::wstring_view section, std::wstring_view key)
{
    if (Section* s = FindSection(section))
        std::erase_if(s->lines, [&](const Line& l) { return l.entry && SameText(l.key, key); });
}

} // namespace fw
