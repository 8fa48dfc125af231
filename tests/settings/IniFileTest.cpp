// The in-memory INI engine: parsing rules, encodings, numbers, writing, the replacing save,
// and agreement with the system's own profile API in both directions.
#include "IniFile.h"
#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using fw::TIniFile;
using namespace settingstest;

TEST(IniFileParse, LineRules)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected; // nullptr: the key is not there
    } cases[] = {
        {L"  [ General ]  \r\n\t Key  =  Value \x01\r\n", L"General", L"Key",
         L"  Value"},                                                // value keeps its leading blanks
        {L"[general]\r\nLOWSTEP=5", L"GENERAL", L"lowstep", L"5"},   // case-insensitive names
        {L"k=1\r\n[S]\r\nj=2", L"S", L"k", nullptr},                 // before the first section
        {L"[S]\r\n;k=1\r\n  ;j=2", L"S", L"k", nullptr},             // comments
        {L"[S]\r\nk=a=b", L"S", L"k", L"a=b"},                       // the first "=" splits
        {L"[S]\r\nk=", L"S", L"k", L""},                             // empty value is a value
        {L"[S]\nk=lf\nj=2", L"S", L"k", L"lf"},                      // LF line ends
        {L"[S]\rk=cr\rj=2", L"S", L"j", L"2"},                       // CR line ends
        {L"[S]\r\nk=1\r\nk=2", L"S", L"k", L"1"},                    // first key counts
        {L"[S]\r\nk=1\r\n[s]\r\nk=2", L"S", L"k", L"1"},             // first section counts
        {L"[S]\r\n[broken\r\nk=v", L"S", L"k", L"v"},                // "[" without "]"
        {L"[S]\r\njust text\r\n", L"S", L"just text", nullptr},      // no "=": matches no key
        {L"[S]\r\n = v", L"S", L"", L" v"},                          // empty key
        {L"[ÄÖÜ]\r\nSchlüssel=Wert", L"äöü", L"SCHLÜSSEL", L"Wert"}, // case beyond ASCII
    };
    for (const Case& c : cases) {
        TIniFile ini = Parse(c.text);
        SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(std::wstring(c.text)));
        EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected != nullptr);
        EXPECT_EQ(ini.ReadString(c.section, c.key, L"<default>"), c.expected ? c.expected : L"<default>");
    }
}

TEST(IniFileParse, KeepsOrderLinesWithoutEqualsAndDuplicateSections)
{
    TIniFile ini = Parse(L"lost=1\r\n[B]\r\nz=1\r\nfree text\r\na=2\r\n[A]\r\n[b]\r\nz=3\r\n");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::wstring>{L"B", L"A", L"b"}));
    EXPECT_EQ(ini.Text(), L"[B]\r\nz=1\r\nfree text\r\na=2\r\n\r\n[A]\r\n\r\n[b]\r\nz=3\r\n\r\n");
    using Values = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ(ini.SectionValues(L"b"), (Values{{L"z", L"1"}, {L"a", L"2"}}));
    ini.EraseSection(L"B"); // both of that name
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::wstring>{L"A"}));
}

TEST(IniFileNumbers, IntegersAndBooleans)
{
    struct Case {
        const wchar_t* text;
        int expected; // the default 777 when the text is no integer
    } cases[] = {
        {L"0", 0},
        {L"-5", -5},
        {L"+7", 7},
        {L"0x1F", 31},
        {L"0X1f", 31},
        {L"$FF", 255},
        {L"$ffffffff", -1},
        {L"-$10", -16},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT_MIN},
        {L"2147483648", 777},
        {L"0x100000000", 777},
        {L"0x", 777},
        {L"$", 777},
        {L"", 777},
        {L"12a", 777},
        {L"1.5", 777},
        {L"- 1", 777},
        {L"99999999999999999999", 777},
        {L"0x7FFFFFFF", INT_MAX},
        {L"007", 7},
    };
    for (const Case& c : cases) {
        TIniFile ini = Parse(std::wstring(L"[S]\r\nk=") + c.text);
        EXPECT_EQ(ini.ReadInteger(L"S", L"k", 777), c.expected)
            << testing::PrintToString(std::wstring(c.text));
    }
    TIniFile b = Parse(L"[S]\r\none=1\r\nzero=0\r\ntwo=2\r\nneg=-1\r\nword=yes\r\nempty=");
    EXPECT_TRUE(b.ReadBool(L"S", L"one", false));
    EXPECT_FALSE(b.ReadBool(L"S", L"zero", true));
    EXPECT_TRUE(b.ReadBool(L"S", L"two", false));
    EXPECT_TRUE(b.ReadBool(L"S", L"neg", false));
    EXPECT_TRUE(b.ReadBool(L"S", L"word", true)); // no integer: the default
    EXPECT_FALSE(b.ReadBool(L"S", L"word", false));
    EXPECT_TRUE(b.ReadBool(L"S", L"empty", true));
    EXPECT_TRUE(b.ReadBool(L"S", L"missing", true));
}

TEST(IniFileEncoding, FourEncodingsReadAlike)
{
    const std::wstring text =
        L"[Général]\r\nSoundFile=C:\\Klänge\\Glöckchen.wav\r\nCaption0=Größe ändern\r\n";
    std::vector<std::pair<const char*, std::string>> files = {
        {"UTF-16LE", Utf16LeWithBom(text)},
        {"UTF-16BE", Utf16BeWithBom(text)},
        {"UTF-8", Utf8WithBom(text)},
    };
    std::string ansi;
    if (Ansi(text, ansi))
        files.emplace_back("ANSI", ansi);
    else
        ADD_FAILURE() << "the ANSI code page " << ::GetACP() << " cannot hold the test's umlauts";
    for (const auto& [name, bytes] : files) {
        TIniFile ini;
        ini.LoadFromBytes(bytes);
        EXPECT_EQ(ini.Text(), text + L"\r\n") << name;
        EXPECT_EQ(ini.ReadString(L"général", L"SoundFile", L""), L"C:\\Klänge\\Glöckchen.wav") << name;
    }
}

TEST(IniFileEncoding, UndecodableInputStillReadsWhatItCan)
{
    // UTF-16 with an odd byte count: the last byte is dropped.
    std::string odd = Utf16LeWithBom(L"[S]\r\nk=v\r\nj=w") + "\x41";
    TIniFile a;
    a.LoadFromBytes(odd);
    EXPECT_EQ(a.ReadString(L"S", L"j", L""), L"w");

    // Invalid UTF-8: each bad sequence becomes U+FFFD, the rest is kept.
    struct Case {
        std::string bytes;
        std::wstring value;
    } cases[] = {
        {"a\xC3(b", L"a\uFFFD(b"}, // lead without continuation
        {"a\xFF"
         "b",
         L"a\uFFFDb"}, // never a lead
        {"a\xED\xA0\x80"
         "b",
         L"a\uFFFDb"}, // an encoded surrogate
        {"a\xC0\xAF"
         "b",
         L"a\uFFFD\uFFFDb"}, // overlong: C0 is never a lead
        {"a\xE0\x80\xAF"
         "b",
         L"a\uFFFDb"},                       // overlong three-byte form
        {"a\xF4\x90\x80\x80", L"a\uFFFD"},   // beyond U+10FFFF
        {"a\xF0\x9F\x8E", L"a\uFFFD"},       // cut short at the end
        {"\xF0\x9F\x8E\xB5", L"\U0001F3B5"}, // a valid four-byte character
    };
    for (const Case& c : cases) {
        TIniFile ini;
        ini.LoadFromBytes("\xEF\xBB\xBF[S]\r\nk=" + c.bytes);
        EXPECT_EQ(ini.ReadString(L"S", L"k", L"?"), c.value) << testing::PrintToString(c.bytes);
    }

    // Truncated byte-order marks are ANSI text, not a crash.
    for (std::string bytes :
         {std::string("\xFF"), std::string("\xFE"), std::string("\xEF\xBB"), std::string()}) {
        TIniFile ini;
        ini.LoadFromBytes(bytes);
        EXPECT_TRUE(ini.SectionNames().empty());
    }
}

TEST(IniFileWrite, WrittenFormAndSectionPlacement)
{
    TIniFile ini = Parse(L"[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\n");
    ini.WriteString(L"a", L"X", L"changed"); // the existing key keeps its spelling
    ini.WriteInteger(L"A", L"n", -42);
    ini.WriteBool(L"A", L"b", true);
    ini.EraseSection(L"B");
    ini.WriteString(L"B", L"y", L"moved"); // erased and rewritten: now the last section
    ini.WriteString(L"New", L"k", L"line1\r\nline2\n[General]");
    EXPECT_EQ(ini.Text(), L"[A]\r\nx=changed\r\nn=-42\r\nb=1\r\n\r\n[C]\r\n\r\n[B]\r\ny=moved\r\n\r\n"
                          L"[New]\r\nk=line1  line2 [General]\r\n\r\n");
    std::string bytes = ini.SaveToBytes();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    TIniFile back;
    back.LoadFromBytes(bytes);
    EXPECT_EQ(back.Text(), ini.Text());
    EXPECT_EQ(back.SectionNames().size(), 4u); // a value cannot open a section
}

TEST(IniFileSave, ReplacesWholeAndLeavesOldFileOnFailure)
{
    TempFolder dir(L"ini-save");
    const std::wstring file = dir.File(L"a.ini");
    TIniFile ini = Parse(L"[S]\r\nk=v\r\n");

    TIniFile probe;
    EXPECT_EQ(probe.LoadFromFile(file), fw::TIniLoad::Missing);
    EXPECT_EQ(probe.LoadFromFile(dir.File(L"no\\such\\folder.ini")), fw::TIniLoad::Missing);
    ASSERT_TRUE(ini.SaveToFile(file));
    EXPECT_EQ(ReadBytes(file), ini.SaveToBytes());
    EXPECT_EQ(probe.LoadFromFile(file), fw::TIniLoad::Loaded);
    EXPECT_EQ(probe.ReadString(L"S", L"k", L""), L"v");

    // A shorter content replaces a longer one whole (no tail of the old file remains).
    ASSERT_TRUE(Parse(L"[T]\r\n").SaveToFile(file));
    EXPECT_EQ(ReadBytes(file), Utf16LeWithBom(L"[T]\r\n\r\n"));

    // A read-only file is not replaced; the old content stays.
    const std::string before = ReadBytes(file);
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ini.SaveToFile(file));
    EXPECT_EQ(ReadBytes(file), before);
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);

    // No folder, or a folder in the file's place: nothing is written.
    EXPECT_FALSE(ini.SaveToFile(dir.File(L"missing\\a.ini")));
    ASSERT_TRUE(::CreateDirectoryW(dir.File(L"folder.ini").c_str(), nullptr));
    EXPECT_FALSE(ini.SaveToFile(dir.File(L"folder.ini")));
    EXPECT_EQ(probe.LoadFromFile(dir.File(L"folder.ini")), fw::TIniLoad::Failed);

    // Neither a success nor a failure leaves a temporary file behind.
    auto names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a.ini", L"folder.ini"}));
}

TEST(IniFileSave, LargeFileIsReadOnlyUpToTheBound)
{
    TempFolder dir(L"ini-large");
    const std::wstring file = dir.File(L"big.ini");
    std::string bytes = "[S]\r\nk=v\r\nfill=" + std::string(TIniFile::kMaxFileBytes, 'x') + "\r\nlate=1\r\n";
    ASSERT_TRUE(WriteBytes(file, bytes));
    TIniFile ini;
    EXPECT_EQ(ini.LoadFromFile(file), fw::TIniLoad::Partial); // read in part: never to be saved over
    EXPECT_FALSE(fw::SafeToOverwrite(fw::TIniLoad::Partial));
    EXPECT_EQ(ini.ReadString(L"S", L"k", L""), L"v");
    EXPECT_FALSE(ini.ValueExists(L"S", L"late"));

    // Exactly the bound is still the whole file.
    bytes = "[S]\r\nk=v\r\n";
    bytes.resize(TIniFile::kMaxFileBytes, ';');
    ASSERT_TRUE(WriteBytes(file, bytes));
    EXPECT_EQ(ini.LoadFromFile(file), fw::TIniLoad::Loaded);
    EXPECT_EQ(ini.ReadString(L"S", L"k", L""), L"v");
}

// The system's profile functions are an independent reader and writer of the same format.
class IniFileProfileApi : public testing::Test {
  protected:
    TempFolder dir{L"ini-profile"};
    const std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> entries = {
        {L"System", L"Version", L"1.8.3.104"},
        {L"System", L"UserMode", L"2"},
        {L"General", L"SoundFile", L"C:\\Klänge\\Glöckchen.wav"},
        {L"General", L"LangName", L"日本語"},
        {L"General", L"Empty", L""},
        {L"Tool", L"Caption0", L"Größe = ändern; mit Gleichheitszeichen"},
        {L"Tool", L"Tool0", L"\"C:\\Program Files\\x.exe\" -a"},
        {L"Keyboard", L"VolumeUpAction", L"8230"},
    };
    std::vector<std::wstring> SectionsInOrder() const
    {
        std::vector<std::wstring> names;
        for (const auto& e : entries) {
            if (names.empty() || names.back() != std::get<0>(e))
                names.push_back(std::get<0>(e));
        }
        return names;
    }
};

TEST_F(IniFileProfileApi, FileWrittenByTheSystemReadsBack)
{
    const std::wstring file = dir.File(L"by-system.ini");
    ASSERT_TRUE(WriteBytes(file, "\xFF\xFE")); // makes the profile API write UTF-16
    for (const auto& [s, k, v] : entries)
        ASSERT_TRUE(::WritePrivateProfileStringW(s.c_str(), k.c_str(), v.c_str(), file.c_str()));
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str()); // flush the system's cache
    ASSERT_EQ(ReadBytes(file).substr(0, 2), "\xFF\xFE");

    TIniFile ini;
    ASSERT_EQ(ini.LoadFromFile(file), fw::TIniLoad::Loaded);
    EXPECT_EQ(ini.SectionNames(), SectionsInOrder());
    for (const auto& [s, k, v] : entries)
        EXPECT_EQ(ini.ReadString(s, k, L"<missing>"), v) << s << L"/" << k;
}

TEST_F(IniFileProfileApi, FileWrittenByTheEngineReadsBackThroughTheSystem)
{
    const std::wstring file = dir.File(L"by-engine.ini");
    TIniFile ini;
    for (const auto& [s, k, v] : entries)
        ini.WriteString(s, k, v);
    ASSERT_TRUE(ini.SaveToFile(file));

    std::wstring names(4096, L'\0');
    DWORD n = ::GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), file.c_str());
    std::vector<std::wstring> got;
    for (const wchar_t* p = names.c_str(); p < names.c_str() + n && *p; p += wcslen(p) + 1)
        got.push_back(p);
    EXPECT_EQ(got, SectionsInOrder());
    for (const auto& [s, k, v] : entries) {
        wchar_t buf[512] = {};
        ::GetPrivateProfileStringW(s.c_str(), k.c_str(), L"<missing>", buf, 512, file.c_str());
        EXPECT_EQ(std::wstring(buf), v) << s << L"/" << k;
    }
    // The settings mode is read this way before anything else.
    EXPECT_EQ(::GetPrivateProfileIntW(L"System", L"UserMode", 0, file.c_str()), 2u);
}

} // namespace
