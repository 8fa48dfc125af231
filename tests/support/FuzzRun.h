#pragma once
// Sizes and the closing summary of the seeded fuzz runs. CI runs the given counts; a deeper
// local run passes --long on the test program's command line or sets LORVANE_FUZZ_LONG=1,
// which multiplies every count by kLongFactor. The seeds stay fixed either way, so a failing
// case is found again by its number.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>

namespace fuzz {

inline constexpr int kLongFactor = 20;

inline bool LongRun()
{
    static const bool on = [] {
        const char* env = std::getenv("LORVANE_FUZZ_LONG");
        if (env && *env && *env != '0')
            return true;
        const wchar_t* line = ::GetCommandLineW();
        return line && std::wcsstr(line, L" --long") != nullptr;
    }();
    return on;
}

inline int Cases(int ciCount)
{
    return LongRun() ? ciCount * kLongFactor : ciCount;
}

// Failed checks so far in the running test: a case failed when this grew.
inline long FailedChecks()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (!info)
        return 0;
    long n = 0;
    for (int i = 0; i < info->result()->total_part_count(); ++i)
        n += info->result()->GetTestPartResult(i).failed() ? 1 : 0;
    return n;
}

// Cases tried and failed per input kind; the table is printed when the program ends, and
// one line per kind for tools/test, which sums them over the suite:
//   RELIABILITY <kind> cases=<n> failures=<m>
class Tally {
  public:
    static void Add(const std::string& kind, long cases, long failures)
    {
        auto& row = Instance().rows[kind];
        row.first += cases;
        row.second += failures;
    }

    ~Tally()
    {
        if (rows.empty())
            return;
        std::printf("\n%-34s %10s %9s\n", "input kind", "cases", "failures");
        for (const auto& [kind, row] : rows)
            std::printf("%-34s %10ld %9ld\n", kind.c_str(), row.first, row.second);
        for (const auto& [kind, row] : rows)
            std::printf("RELIABILITY %s cases=%ld failures=%ld\n", kind.c_str(), row.first, row.second);
        std::fflush(stdout);
    }

  private:
    static Tally& Instance()
    {
        static Tally t;
        return t;
    }
    std::map<std::string, std::pair<long, long>> rows;
};

} // namespace fuzz
