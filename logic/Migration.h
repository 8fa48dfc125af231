#pragma once
// Bringing settings files of older releases up to date. Each step rewrites the whole file
// as text; a file gets every step whose threshold its stored version is older than.

#include "IniFile.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lorvane {

// Compares dotted versions part by part; a missing or unreadable part counts as 0.
// Negative when a is older than b, 0 when equal, positive when newer.
int CompareVersions(std::wstring_view a, std::wstring_view b);

// The action identifier of an old numeric action code (-1 … 30) as it was named when codes
// were in use; empty for -1 and for codes out of range.
std::wstring OldActionName(int code);

struct TMigrationStep {
    std::wstring OlderThan;
    std::wstring EraseSection; // erased before the replacements; empty for none
    std::vector<std::pair<std::wstring, std::wstring>> Replacements; // in order, ignoring case
};
const std::vector<TMigrationStep>& MigrationSteps();

// Replaces every occurrence of `from` (compared without regard to case) that is not part of a
// longer name: a letter, digit or "_" may neither precede a `from` that begins with one nor
// follow a `from` that ends with one. A key ("Width=") or header ("[Form]") matches only at the
// start of a line, a key with its value ("WheelDown=3") only as the whole line. Migrating a
// file that is already current changes nothing.
std::wstring ReplaceWholeNamesIgnoreCase(std::wstring_view text, std::wstring_view from,
                                         std::wstring_view to);

// Applies one step to the file's written text and parses the result back.
void ApplyMigrationStep(const TMigrationStep& step, fw::TIniFile& ini);

// Brings `ini` up to `programVersion`: nothing happens (false) when its [System] Version
// equals it exactly; otherwise the due steps run, Version is set, and Install (for a file
// without a version) or Update is set to `now`. True when the file must be written.
bool MigrateIni(fw::TIniFile& ini, const std::wstring& programVersion, const std::wstring& now);

// "a.b.c.d" from the fixed file version of the version record of `path`; empty without one.
std::wstring FileVersionText(const std::wstring& path);
// The same from the record of a loaded module (nullptr: the running program), read in its
// mapped image: no version library to load and no second mapping of the file.
std::wstring ModuleVersionText(HMODULE module);

// The local date and time in the user's short-date and long-time formats.
std::wstring LocalDateTimeText();

} // namespace lorvane
