#pragma once
// Whole numbers as text without the C library's wide printf, which std::to_wstring and
// swprintf bring into the program (some 11 KB) for nothing more than digits.

#include <string>

namespace fw {

// Decimal, with a minus sign when negative: what std::to_wstring gives.
inline std::wstring IntToStr(long long value)
{
    wchar_t buf[24];
    wchar_t* p = buf + 24;
    // Negated as unsigned, so the most negative value has its digits too.
    unsigned long long magnitude = value < 0 ? 0 - static_cast<unsigned long long>(value) : value;
    do {
        *--p = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *--p = L'-';
    return std::wstring(p, buf + 24);
}

// Hexadecimal of at least `digits` digits, zero-padded: printf's "%0NX", or "%0Nx" with
// `upper` false.
inline std::wstring IntToHex(unsigned long long value, int digits = 1, bool upper = true)
{
    const wchar_t* const set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring out;
    do {
        out.insert(out.begin(), set[value & 0xF]);
        value >>= 4;
    } while (value);
    if (static_cast<int>(out.size()) < digits)
        out.insert(0, static_cast<size_t>(digits) - out.size(), L'0');
    return out;
}

} // namespace fw
