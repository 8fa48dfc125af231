#pragma once
// The one-line command language: the command tail, the start-up wait and the pieces of
// the verbs. Plain functions, so every rule is tested without a window.

#include <optional>
#include <string>
#include <string_view>

namespace lorvane {

// The raw command line without the executable's path, trimmed of blanks and control
// characters. A quoted path ends at the first quote followed by a blank. A tail that is one
// quoted argument ("-Device:Headset (USB)") loses its quotes.
std::wstring CommandTail(std::wstring_view raw);

// Trims characters with codes up to 32 at both ends.
std::wstring Trim(std::wstring_view text);

// A decimal number with an optional sign, an optional fraction after `decimalSeparator`
// and an optional exponent. Only values within the range of a double count: "1e999" and
// "nan" are no number.
std::optional<long double> ParseDecimal(std::wstring_view text, wchar_t decimalSeparator);

// The start-up wait of a numeric tail (after its leading "-" is gone), in milliseconds:
// |trunc(seconds * 1000)|, capped so that it still fits a timer interval.
std::optional<unsigned> ParseStartWait(std::wstring_view text);

// The verb of a command-mode tail (its one leading "-" removed); none for a start, at once
// (empty tail) or after a wait (a number). Anything else is a verb, if only an unknown one.
std::optional<std::wstring> CommandVerb(std::wstring_view tail);

enum class MuteValue { Off, On, Toggle };
std::optional<MuteValue> ParseMuteValue(std::wstring_view value);

// If `text` starts with `verb` (compared without regard to case), the trimmed rest.
std::optional<std::wstring> MatchVerb(std::wstring_view text, std::wstring_view verb);

} // namespace lorvane
