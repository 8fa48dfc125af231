#pragma once
// TIniFile: an INI file held in memory, read whole, changed there and written back in one
// piece. Used for the settings file and the language files.
//
// Reading: the encoding comes from the first bytes (FF FE UTF-16LE, FE FF UTF-16BE,
// EF BB BF UTF-8, otherwise the system's ANSI code page). Every line is trimmed of blanks
// and control characters; empty lines and ";" comments are skipped; "[name]" opens a
// section; text before the first section is ignored; "key=value" is an entry; any other
// line stays in its section as it is and matches no key.
// Writing: UTF-16LE with FF FE, CRLF line ends, each section followed by one empty line.
// Section and key names compare without regard to case; sections and entries keep the
// order in which they were created. Of two sections (or keys) of one name the first counts.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

// What became of a LoadFromFile.
enum class TIniLoad {
    Loaded,  // the file was read (whatever its content)
    Missing, // there is no such file: reads as empty
    Failed,  // the file exists but could not be read: reads as empty, and must not be overwritten
    Partial, // the file is larger than kMaxFileBytes: read up to it, and must not be overwritten
};

// Whether writing the loaded content back would keep everything the file held.
inline bool SafeToOverwrite(TIniLoad load)
{
    return load == TIniLoad::Loaded || load == TIniLoad::Missing;
}

class TIniFile {
  public:
    // Files larger than this are read only up to it (Partial): a settings or language file is
    // a few kilobytes, and a runaway file must not exhaust memory.
    static constexpr size_t kMaxFileBytes = 16u << 20;

    TIniFile() = default;

    TIniLoad LoadFromFile(const std::wstring& path);
    // Writes a temporary file beside `path`, then moves it over `path`: a failed save leaves
    // the old file as it was. False when anything fails.
    bool SaveToFile(const std::wstring& path) const;

    void LoadFromBytes(std::string_view bytes);
    std::string SaveToBytes() const; // FF FE and the text as UTF-16LE

    void SetText(std::wstring_view text);
    std::wstring Text() const; // the written form, without a byte-order mark
    void Clear() { sections.clear(); }

    // Every section name in file order, duplicates included.
    std::vector<std::wstring> SectionNames() const;
    bool SectionExists(std::wstring_view section) const;
    bool ValueExists(std::wstring_view section, std::wstring_view key) const;
    // The entries of the first section of that name, in order (lines without "=" left out).
    std::vector<std::pair<std::wstring, std::wstring>> SectionValues(std::wstring_view section) const;

    std::wstring ReadString(std::wstring_view section, std::wstring_view key, std::wstring_view def) const;
    // A value that is no integer (see ParseIniInteger) yields `def`.
    int ReadInteger(std::wstring_view section, std::wstring_view key, int def) const;
    // Read as an integer: not 0 is true.
    bool ReadBool(std::wstring_view section, std::wstring_view key, bool def) const;

    // Changes the first entry of that key, or appends one (and the section when missing).
    // Line breaks in names and values become blanks, so a value cannot start a new line.
    void WriteString(std::wstring_view section, std::wstring_view key, std::wstring_view value);
    void WriteInteger(std::wstring_view section, std::wstring_view key, int value);
    void WriteBool(std::wstring_view section, std::wstring_view key, bool value);

    // Removes every section of that name.
    void EraseSection(std::wstring_view section);
    void DeleteKey(std::wstring_view section, std::wstring_view key);

  private:
    struct Line {
        std::wstring key; // the whole text for a line without "="
        std::wstring value;
        bool entry = true;
    };
    struct Section {
        std::wstring name;
        std::vector<Line> lines;
    };

    const Section* FindSection(std::wstring_view name) const;
    Section* FindSection(std::wstring_view name);
    static const Line* FindKey(const Section& s, std::wstring_view key);

    std::vector<Section> sections;
};

// Decodes file bytes by their byte-order mark. Never fails: an odd trailing byte of UTF-16
// is dropped and invalid UTF-8 becomes U+FFFD.
std::wstring DecodeIniBytes(std::string_view bytes);
std::wstring DecodeUtf8(std::string_view bytes);

// An optional sign, then "$" or "0x"/"0X" and up to 32 bits of hexadecimal digits, or
// decimal digits within the range of int. Anything else is no integer.
std::optional<int> ParseIniInteger(std::wstring_view text);

// Trims characters up to U+0020 (blanks and control characters) at both ends.
std::wstring_view TrimControl(std::wstring_view text);

// Upper case, the same whatever the user's locale; one character for one.
std::wstring FoldCase(std::wstring_view text);
bool SameText(std::wstring_view a, std::wstring_view b);
// Replaces every occurrence of `from`, compared without regard to case, by `to`.
std::wstring ReplaceAllIgnoreCase(std::wstring_view text, std::wstring_view from, std::wstring_view to);

// The replace-after-write step of SaveToFile, for any content.
bool WriteFileReplacing(const std::wstring& path, std::string_view bytes);

} // namespace fw
