// Thousands of random and mutated files through the reader, the migration and the load.
// Besides not crashing, one load-and-save must be a fixed point: saving what was loaded
// from a saved file gives the same bytes again, and sections the program does not own pass
// through untouched.
#include "FuzzRun.h"
#include "Migration.h"
#include "SettingsModel.h"
#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace lorvane;
using namespace settingstest;

// Load, read into the model, write back: the bytes of the next save.
std::string Cycle(const std::string& bytes)
{
    fw::TIniFile ini;
    ini.LoadFromBytes(bytes);
    TSettings s;
    s.MenuVisible = DesignMenuVisibility();
    ReadSettings(ini, s, FixedActions(), 0, 65535);
    WriteSettings(ini, s, FixedActions());
    return ini.SaveToBytes();
}

class Generator {
  public:
    explicit Generator(uint32_t seed) : rng(seed) {}

    size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; }

    std::string RandomBytes(size_t max)
    {
        std::string s(Below(max + 1), '\0');
        for (char& c : s)
            c = static_cast<char>(Below(256));
        return s;
    }

    // Lines made of the pieces that carry meaning for the reader.
    std::wstring StructuredText(size_t lines)
    {
        static const wchar_t* const pieces[] = {
            L"[",
            L"]",
            L"=",
            L";",
            L" ",
            L"\t",
            L"\r\n",
            L"\n",
            L"\r",
            L"General",
            L"Volume",
            L"Tool",
            L"Mouse",
            L"Keyboard",
            L"Menu",
            L"Window",
            L"System",
            L"Count",
            L"Count=-1",
            L"Count=99999999999",
            L"Count=100",
            L"Volume3",
            L"Active",
            L"Caption",
            L"0x",
            L"$",
            L"-",
            L"2147483648",
            L"-1",
            L"Version=",
            L"1.4.2.0",
            L"ShortCut20=",
            L"Click=",
            L"WheelDown=3",
            L"MuteAction",
            L"[Sound]",
            L"[Form]",
            L"Width=",
            L"ä",
            L"\uFFFF",
            L"\xD800",
            L"\xDC00",
            L"\0",
            L"VolumeUpAction",
            L"Tool9Action",
            L"LowStep=",
            L"WheelAreas=0x1FF",
        };
        std::wstring text;
        for (size_t i = 0; i < lines; ++i) {
            size_t n = Below(8);
            for (size_t k = 0; k < n; ++k) {
                const wchar_t* p = pieces[Below(std::size(pieces))];
                text += (p[0] == 0) ? std::wstring(1, L'\0') : std::wstring(p);
            }
            text += L"\r\n";
        }
        return text;
    }

    std::string Encode(const std::wstring& text)
    {
        switch (Below(4)) {
        case 0:
            return Utf16LeWithBom(text);
        case 1:
            return Utf16BeWithBom(text);
        case 2:
            return Utf8WithBom(text);
        default: {
            std::string ansi;
            Ansi(text, ansi);
            return ansi;
        }
        }
    }

    std::string Mutate(std::string s)
    {
        size_t edits = 1 + Below(8);
        for (size_t e = 0; e < edits; ++e) {
            switch (Below(5)) {
            case 0: // flip a byte
                if (!s.empty())
                    s[Below(s.size())] = static_cast<char>(Below(256));
                break;
            case 1: // cut short, possibly inside the byte-order mark
                s.resize(Below(s.size() + 1));
                break;
            case 2: // insert random bytes
                s.insert(Below(s.size() + 1), RandomBytes(16));
                break;
            case 3: // drop a range
                if (!s.empty()) {
                    size_t at = Below(s.size());
                    s.erase(at, Below(s.size() - at + 1));
                }
                break;
            default: // duplicate a range
                if (!s.empty()) {
                    size_t at = Below(s.size());
                    s.insert(Below(s.size() + 1), s.substr(at, Below(64)));
                }
                break;
            }
        }
        return s;
    }

  private:
    std::mt19937 rng;
};

std::string ValidFile()
{
    fw::TIniFile ini;
    MigrateIni(ini, L"1.8.3.104", L"now");
    TSettings s;
    s.MenuVisible = DesignMenuVisibility();
    s.Tools[3].Caption = L"Größe";
    WriteSettings(ini, s, FixedActions());
    return ini.SaveToBytes();
}

TEST(SettingsFuzz, RandomAndMutatedFilesLoadAndSaveToAFixedPoint)
{
    Generator gen(20260401u); // fixed: every run sees the same files
    const std::string valid = ValidFile();
    const std::wstring oldLayout = L"[Mouse]\r\nClick=3\r\nWheelDown=30\r\n[Keyboard]\r\nShortCut20=1234\r\n"
                                   L"[Sound]\r\nPlaySound=1\r\n[Form]\r\nWidth=200\r\n";
    const int rounds = fuzz::Cases(20000);
    long failed = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string bytes;
        switch (round % 4) {
        case 0:
            bytes = gen.RandomBytes(2048);
            break;
        case 1:
            bytes = gen.Mutate(valid);
            break;
        case 2:
            bytes = gen.Encode(gen.StructuredText(1 + gen.Below(40)));
            break;
        default:
            bytes = gen.Mutate(gen.Encode(oldLayout + gen.StructuredText(gen.Below(10))));
            break;
        }
        SCOPED_TRACE(testing::Message() << "round " << round);
        const long before = fuzz::FailedChecks();

        fw::TIniFile ini;
        ini.LoadFromBytes(bytes);
        // Another program's section, written beside whatever the file holds.
        const std::wstring foreign = L"Plugin" + std::to_wstring(round);
        const std::wstring value = L"v=" + std::to_wstring(gen.Below(1000)) + L";[x] %s ä";
        ini.WriteString(foreign, L"Key", value);
        ini.WriteString(foreign, L"Count", L"-1");
        MigrateIni(ini, L"1.8.3.104", L"now");
        const std::string once = Cycle(ini.SaveToBytes());
        const std::string twice = Cycle(once);
        EXPECT_EQ(twice, once);
        EXPECT_EQ(once.substr(0, 2), "\xFF\xFE");
        fw::TIniFile saved;
        saved.LoadFromBytes(twice);
        EXPECT_EQ(saved.ReadString(foreign, L"Key", L"lost"), value);
        EXPECT_EQ(saved.ReadString(foreign, L"Count", L"lost"), L"-1");
        if (fuzz::FailedChecks() != before && ++failed > 5)
            break; // enough cases to look at
    }
    fuzz::Tally::Add("settings files", rounds, failed);
}

TEST(SettingsFuzz, HugeLinesAndUnclosedHeaders)
{
    const std::string many(1u << 20, 'x');
    const std::vector<std::string> files = {
        "[" + many,                                   // "[" without "]", one line
        "[General]\r\nSoundFile=" + many,             // a huge value
        "[" + many + "]\r\nk=v",                      // a huge section name
        std::string(1u << 20, '['),                   // nothing but brackets
        std::string(1u << 20, '\n'),                  // nothing but line ends
        "\xFF\xFE" + std::string(1u << 20, '\0'),     // UTF-16 NULs
        "[General]\r\n" + std::string(1u << 20, '='), // an empty key, a value of "="
    };
    for (const std::string& bytes : files) {
        fw::TIniFile ini;
        ini.LoadFromBytes(bytes);
        MigrateIni(ini, L"1.8.3.104", L"now");
        const std::string once = Cycle(ini.SaveToBytes());
        EXPECT_EQ(Cycle(once), once);
    }
    fw::TIniFile big;
    big.LoadFromBytes("[General]\r\nSoundFile=" + many);
    TSettings s;
    ReadSettings(big, s, FixedActions(), 0, 65535);
    EXPECT_EQ(s.SoundFile.size(), many.size());
}

} // namespace
