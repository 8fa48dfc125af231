#include "CommandLine.h"

#include <cmath>
#include <cwctype>
#include <limits>

namespace lorvane {

std::wstring Trim(std::wstring_view text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && text[first] <= L' ')
        ++first;
    while (last > first && text[last - 1] <= L' ')
        --last;
    return std::wstring(text.substr(first, last - first));
}

std::wstring CommandTail(std::wstring_view raw)
{
    size_t pos;
    if (!raw.empty() && raw.front() == L'"') {
        pos = raw.find(L"\" ");
        if (pos == std::wstring_view::npos || pos == 0)
            return {};
        pos += 2;
    } else {
        pos = raw.find(L' ');
        if (pos == std::wstring_view::npos || pos == 0)
            return {};
        pos += 1;
    }
    std::wstring tail = Trim(raw.substr(pos));
    // A shell user quotes a verb whose value has blanks; the quotes are not part of it.
    if (tail.size() >= 2 && tail.front() == L'"' && tail.back() == L'"' &&
        tail.find(L'"', 1) == tail.size() - 1)
        tail = Trim(std::wstring_view(tail).substr(1, tail.size() - 2));
    return tail;
}

std::optional<long double> ParseDecimal(std::wstring_view text, wchar_t decimalSeparator)
{
    std::wstring t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == L'+' || t[i] == L'-'))
        negative = t[i++] == L'-';
    long double value = 0;
    int digits = 0;
    while (i < t.size() && t[i] >= L'0' && t[i] <= L'9') {
        value = value * 10 + (t[i++] - L'0');
        ++digits;
    }
    if (i < t.size() && t[i] == decimalSeparator) {
        ++i;
        long double scale = 1;
        while (i < t.size() && t[i] >= L'0' && t[i] <= L'9') {
            scale /= 10;
            value += (t[i++] - L'0') * scale;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == L'e' || t[i] == L'E')) {
        ++i;
        bool negExp = false;
        if (i < t.size() && (t[i] == L'+' || t[i] == L'-'))
            negExp = t[i++] == L'-';
        int expDigits = 0;
        long exponent = 0;
        while (i < t.size() && t[i] >= L'0' && t[i] <= L'9') {
            if (exponent < 100000) // beyond this every result is 0 or infinite anyway
                exponent = exponent * 10 + (t[i] - L'0');
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
        value *= std::pow(10.0L, negExp ? -exponent : exponent);
    }
    if (i != t.size())
        return std::nullopt;
    // Valid numbers are those a double holds: the levels built from them stay finite.
    const double asDouble = static_cast<double>(value);
    if (!std::isfinite(asDouble))
        return std::nullopt;
    return negative ? -static_cast<long double>(asDouble) : static_cast<long double>(asDouble);
}

std::optional<unsigned> ParseStartWait(std::wstring_view text)
{
    std::optional<long double> seconds = ParseDecimal(text, L'.');
    if (!seconds)
        return std::nullopt;
    long double ms = std::fabs(std::trunc(*seconds * 1000));
    constexpr long double cap = std::numeric_limits<int>::max();
    return static_cast<unsigned>(ms > cap ? cap : ms);
}

std::optional<std::wstring> CommandVerb(std::wstring_view tail)
{
    if (tail.empty())
        return std::nullopt;
    if (tail.front() == L'-')
        tail.remove_prefix(1);
    if (ParseStartWait(tail))
        return std::nullopt;
    return std::wstring(tail); // "-" alone is an empty verb, which no verb handles
}

std::optional<MuteValue> ParseMuteValue(std::wstring_view value)
{
    std::wstring v;
    for (wchar_t c : value)
        v += static_cast<wchar_t>(std::towlower(c));
    if (v == L"on" || v == L"true" || v == L"1" || v == L"-1" || v == L"+1")
        return MuteValue::On;
    if (v == L"off" || v == L"false" || v == L"0" || v == L"-0" || v == L"+0")
        return MuteValue::Off;
    if (v == L"!")
        return MuteValue::Toggle;
    return std::nullopt;
}

std::optional<std::wstring> MatchVerb(std::wstring_view text, std::wstring_view verb)
{
    if (text.size() < verb.size())
        return std::nullopt;
    for (size_t i = 0; i < verb.size(); ++i) {
        if (std::towlower(text[i]) != std::towlower(verb[i]))
            return std::nullopt;
    }
    return Trim(text.substr(verb.size()));
}

} // namespace lorvane
