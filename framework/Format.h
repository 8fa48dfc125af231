#pragma once
// A printf-like formatter for texts that come from language files. Such a text is user data:
// it may ask for more arguments than the caller has, for a string where an integer is given,
// or for a conversion that does not exist. Every such case is an empty result, never a read
// past the arguments; the caller decides what to show instead.
//
// Specifier: "%" [index ":"] ["-"] ["0"] [width] ["." precision] type
//   type  d  an integer argument, decimal; precision = the least number of digits
//         f  a real argument, fixed point; precision = decimals, 2 when none is given
//         s  a string argument; precision = the most characters taken
//   Types may be written in either case. "%%" is one percent sign.
//   index   the 0-based argument for this specifier; later specifiers without an index
//           continue from the one after it (so a translation can reorder its arguments)
//   width   the least length, padded with blanks on the left, on the right with "-";
//           "0" pads numbers with zeros after the sign instead
// Width and precision above kMaxFormatWidth, "*", an unknown type, a lone "%" at the end,
// a missing argument or an argument of the wrong kind make the whole result empty.
// Arguments beyond the last one used are ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fw {

inline constexpr int kMaxFormatWidth = 1024;

// One argument: an integer, a real or a string. Integers never pass as reals and reals never
// as integers, so "%f" with an integer is a mismatch (callers retry with the real value).
class FormatArg {
  public:
    FormatArg(int v) : value(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : value(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : value(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : value(static_cast<std::int64_t>(v)) {}
    FormatArg(double v) : value(v) {}
    FormatArg(std::wstring v) : value(std::move(v)) {}
    FormatArg(std::wstring_view v) : value(std::wstring(v)) {}
    FormatArg(const wchar_t* v) : value(std::wstring(v ? v : L"")) {}
    // A bool or a narrow string is almost always a slip of the caller.
    FormatArg(bool) = delete;
    FormatArg(const char*) = delete;

    const std::int64_t* Integer() const noexcept { return std::get_if<std::int64_t>(&value); }
    const double* Real() const noexcept { return std::get_if<double>(&value); }
    const std::wstring* String() const noexcept { return std::get_if<std::wstring>(&value); }

  private:
    std::variant<std::int64_t, double, std::wstring> value;
};

struct TFormatSettings {
    wchar_t DecimalSeparator = L'.';
};

std::optional<std::wstring> Format(std::wstring_view format, const std::vector<FormatArg>& args,
                                   const TFormatSettings& settings = {});

} // namespace fw
