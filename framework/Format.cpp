#include "Format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace fw {

namespace {

struct Specifier {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1; // none given
    wchar_t type = 0;   // lower case
};

bool IsDigit(wchar_t c) noexcept
{
    return c >= L'0' && c <= L'9';
}

// Reads a run of digits; false when it exceeds the width bound (never overflows).
bool ReadNumber(std::wstring_view f, size_t& i, int& out) noexcept
{
    int n = 0;
    while (i < f.size() && IsDigit(f[i])) {
        n = n * 10 + (f[i] - L'0');
        if (n > kMaxFormatWidth)
            return false;
        ++i;
    }
    out = n;
    return true;
}

void Pad(std::wstring& out, std::wstring_view body, const Specifier& s)
{
    size_t len = body.size();
    size_t fill = s.width > 0 && static_cast<size_t>(s.width) > len ? s.width - len : 0;
    if (s.left) {
        out.append(body);
        out.append(fill, L' ');
    } else if (s.zero && s.type != L's' && fill > 0) {
        // Zeros go between the sign and the digits.
        size_t sign = !body.empty() && body[0] == L'-' ? 1 : 0;
        out.append(body.substr(0, sign));
        out.append(fill, L'0');
        out.append(body.substr(sign));
    } else {
        out.append(fill, L' ');
        out.append(body);
    }
}

std::wstring Widen(const char* first, const char* last)
{
    return std::wstring(first, last);
}

std::wstring FormatInteger(std::int64_t v, int precision)
{
    char buf[32];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof(buf), v);
    std::wstring digits = Widen(buf, r.ptr);
    bool negative = v < 0;
    if (negative)
        digits.erase(0, 1);
    if (precision > 0 && digits.size() < static_cast<size_t>(precision))
        digits.insert(0, precision - digits.size(), L'0');
    return negative ? L"-" + digits : digits;
}

std::optional<std::wstring> FormatReal(double v, int precision, wchar_t separator)
{
    if (std::isnan(v))
        return L"NAN";
    if (std::isinf(v))
        return v < 0 ? L"-INF" : L"INF";
    if (v == 0.0)
        v = 0.0; // no "-0.00"
    // The largest double has 309 integer digits; decimals are bounded by kMaxFormatWidth.
    char buf[309 + 2 + kMaxFormatWidth + 16];
    // The C library's conversion: std::to_chars for doubles would add its own 170 KB of
    // tables to the program for this one call.
    const int n = std::snprintf(buf, sizeof(buf), "%.*f", precision < 0 ? 2 : precision, v);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(buf))
        return std::nullopt;
    std::wstring text = Widen(buf, buf + n);
    if (size_t dot = text.find(L'.'); dot != std::wstring::npos)
        text[dot] = separator;
    return text;
}

// At most `limit` UTF-16 units, never ending on the first half of a surrogate pair.
std::wstring_view TakeUnits(std::wstring_view s, int limit)
{
    if (limit < 0 || s.size() <= static_cast<size_t>(limit))
        return s;
    size_t n = static_cast<size_t>(limit);
    if (n > 0 && s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF)
        --n;
    return s.substr(0, n);
}

} // namespace

std::optional<std::wstring> Format(std::wstring_view f, const std::vector<FormatArg>& args,
                                   const TFormatSettings& settings)
{
    std::wstring out;
    out.reserve(f.size() + 16);
    size_t next = 0; // the argument an unindexed specifier takes
    size_t i = 0;
    while (i < f.size()) {
        wchar_t c = f[i++];
        if (c != L'%') {
            out.push_back(c);
            continue;
        }
        if (i < f.size() && f[i] == L'%') {
            out.push_back(L'%');
            ++i;
            continue;
        }

        // An index is digits followed by ":"; digits without it are the width.
        size_t start = i;
        int number = 0;
        if (!ReadNumber(f, i, number))
            return std::nullopt;
        if (i > start && i < f.size() && f[i] == L':') {
            next = static_cast<size_t>(number);
            ++i;
        } else {
            i = start;
        }

        Specifier s;
        for (; i < f.size() && (f[i] == L'-' || f[i] == L'0'); ++i)
            (f[i] == L'-' ? s.left : s.zero) = true;
        if (!ReadNumber(f, i, s.width))
            return std::nullopt;
        if (i < f.size() && f[i] == L'.') {
            ++i;
            if (!ReadNumber(f, i, s.precision))
                return std::nullopt;
        }
        if (i >= f.size())
            return std::nullopt;
        wchar_t t = f[i++];
        s.type = (t >= L'A' && t <= L'Z') ? static_cast<wchar_t>(t - L'A' + L'a') : t;

        if (next >= args.size())
            return std::nullopt;
        const FormatArg& arg = args[next++];
        switch (s.type) {
        case L'd': {
            const std::int64_t* v = arg.Integer();
            if (!v)
                return std::nullopt;
            Pad(out, FormatInteger(*v, s.precision), s);
            break;
        }
        case L'f': {
            const double* v = arg.Real();
            if (!v)
                return std::nullopt;
            std::optional<std::wstring> text = FormatReal(*v, s.precision, settings.DecimalSeparator);
            if (!text)
                return std::nullopt;
            Pad(out, *text, s);
            break;
        }
        case L's': {
            const std::wstring* v = arg.String();
            if (!v)
                return std::nullopt;
            Pad(out, TakeUnits(*v, s.precision), s);
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace fw
