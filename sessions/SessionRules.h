#pragma once
// The rules of per-application volume that need no system: which processes' sessions make
// up an application, what an application is called, the pieces of the application verbs and
// the session's 0..1 scale against the program's level scale.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sessions {

// What the rules need to know of a process.
struct TProcessFacts {
    DWORD Pid = 0;
    DWORD ParentPid = 0;
    std::wstring ExePath; // full path; empty when it could not be read
};

// The processes among `withSessions` whose sessions belong to the application of `app`: its
// own; when it has none, those of processes with the same executable path; then those of its
// child processes (browsers and many players play from a child); then its parent's.
std::vector<DWORD> ApplicationProcesses(const TProcessFacts& app, const std::vector<TProcessFacts>& withSessions);

// The name shown for a session: its display name, else the executable's file description,
// else its file name; the system sounds session always has `systemText`. An indirect
// display name ("@file,-id") that could not be resolved counts as none.
std::wstring ApplicationName(std::wstring_view displayName, std::wstring_view fileDescription,
                             std::wstring_view exePath, bool system, std::wstring_view systemText);

// The file name part of a path ("C:\\a\\b.exe" -> "b.exe").
std::wstring FileNameOf(std::wstring_view path);

// An icon location "path,index" or "@path,-id" (as sessions report them): the file and the
// index (negative: a resource ID). A location without a number is the file's first icon.
struct TIconLocation {
    std::wstring File;
    int Index = 0;
};
std::optional<TIconLocation> ParseIconLocation(std::wstring_view location);

// "NAME,VALUE" of AppVolume: and AppMute: (NAME an executable's file name, a process ID or
// "focused"); split at the first comma, since a decimal comma may follow in VALUE. Nothing
// when either part is empty.
struct TAppVerbArgs {
    enum class Target { Focused, ProcessId, FileName } Kind = Target::Focused;
    std::wstring Name; // the file name for FileName
    DWORD Pid = 0;
    std::wstring Value;
};
std::optional<TAppVerbArgs> ParseAppVerbArgs(std::wstring_view text);

// A session scalar as a level on the scale min..max, and back (clamped to 0..1).
int LevelOfScalar(float scalar, int min, int max);
float ScalarOfLevel(long long level, int min, int max);

} // namespace sessions
