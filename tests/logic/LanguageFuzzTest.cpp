// Language files with hostile texts in every [Main] key and in the action captions: every
// text the program composes from them is either a bounded text or the caller's fallback.
#include "Format.h"
#include "FuzzRun.h"
#include "Language.h"
#include "VolumeText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace lorvane;

const wchar_t* const kHostile[] = {
    L"%s%n%999999d",
    L"%",
    L"%%%",
    L"%d %s",
    L"%s %d",
    L"%1:s%0:d",
    L"%*d",
    L"%1024d",
    L"%1025d",
    L"%.1025f",
    L"%-0999.999s",
    L"%99:d",
    L"%-1:d",
    L"%4294967297d",
    L"$d$D$d%d",
    L"&&&(&X)",
    L"(&",
    L"\\n\\n\\",
    L"%f%f%f%f",
    L"%x%p%u",
    L"\x01\x7F\uFFFF",
    L"%2147483648d",
    L"%0:d%0:d%0:d%0:d%0:d%0:d%0:d%0:d",
    L"",
    L"%s",
    L"%d",
};

std::wstring HostileText(std::mt19937& rng)
{
    std::wstring s;
    for (int n = 1 + static_cast<int>(rng() % 3); n-- > 0;)
        s += kHostile[rng() % std::size(kHostile)];
    return s;
}

TEST(LanguageFuzz, HostileMainTextsComposeSafely)
{
    std::mt19937 rng(20261208u);
    const int files = fuzz::Cases(5000);
    long failed = 0;
    for (int f = 0; f < files; ++f) {
        SCOPED_TRACE(testing::Message() << "file " << f);
        const long before = fuzz::FailedChecks();
        fw::TIniFile ini;
        for (const TDefaultText& d : kDefaultTexts)
            ini.WriteString(rng() % 2 ? L"Main" : L"Main Windows 10", d.key, HostileText(rng));
        ini.WriteString(L"Action", L"VolumeUpAction", HostileText(rng));
        TTextList texts;
        FillDefaultTexts(texts);
        fw::TActionList actions;
        actions.Add(L"VolumeUpAction", L"Volume Up");
        ReadLanguage(ini, LanguageSectionSuffixes(10, 0, true), texts, &actions, nullptr);
        ManualAccelerators(actions.Find(L"VolumeUpAction")->Caption);

        TVolumeTextContext volume;
        volume.DefDevice = texts.Text(txDefDevice);
        volume.ShortName = L"%s%n";
        volume.FullName = L"Speakers %d";
        for (int i = 0; i < txCount; ++i) {
            const std::wstring& text = texts.Text(i);
            // The argument lists the program passes: a hint, a percentage, a caption and a level.
            const std::vector<std::vector<fw::FormatArg>> argLists = {
                {L"hint"}, {42}, {42.5}, {L"Caption", 42}, {}};
            for (const auto& args : argLists)
                if (auto out = fw::Format(text, args)) {
                    EXPECT_LE(out->size(), text.size() * (fw::kMaxFormatWidth + 16) + 64);
                }
            volume.FormatDevice = static_cast<int>(rng() % 40) - 1;
            const std::wstring shown =
                FormatVolumeText(static_cast<int>(rng() % 65536), text, rng() % 2, volume);
            EXPECT_TRUE(!shown.empty() || text.empty()) << "a volume text shows at least the percentage";
            ExpandLineBreaks(InsertDevice(StripAccelerators(text), L"$d%s"));
        }
        if (fuzz::FailedChecks() != before && ++failed > 5)
            break;
    }
    fuzz::Tally::Add("language files", files, failed);
}

} // namespace
