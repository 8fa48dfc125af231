// A Wine prefix of its own without the Core Audio enumerator class: the program falls back
// to the waveform mixer, which in Wine is built on that class and so offers no mixer either.
// The program still starts, handles verbs and ends.
#include "ComApartment.h"
#include "LorvaneProcess.h"

#include <mmdeviceapi.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

TEST(NoCoreAudio, TheProgramRunsWithoutEnumeratorAndMixer)
{
    using namespace e2e;
    {
        fw::ComApartment com;
        IMMDeviceEnumerator* enumerator = nullptr;
        EXPECT_EQ(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator)),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(::mixerGetNumDevs(), 0u);
    }
    ProgramFolder program(L"e2e-nocoreaudio");
    Process p;
    ASSERT_TRUE(p.Start(LorvanePath(), L""));
    HWND main = WaitForMainWindow(p.Id(), 30000);
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, 1) == 1; }, 30000))
        << "the deferred start did not run";
    // Understood, though there is nothing to carry them out; the running instance stays.
    for (const wchar_t* verb : {L"-Volume:50", L"-Mute:1", L"-Device:Speakers"})
        EXPECT_NE(RunLorvane(verb, 30000), 1) << verb;
    EXPECT_TRUE(p.Running());
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
}
