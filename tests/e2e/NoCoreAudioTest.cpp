// A Wine prefix of its own in which the Core Audio enumerator class is not registered at all,
// as on a system without Core Audio: the program falls back to the waveform mixer, which in
// Wine is built on that same enumerator and so offers no mixer either. The program still
// starts, runs and ends; what it cannot carry out it reports.
#include "ComApartment.h"
#include "LorvaneProcess.h"

#include <mmdeviceapi.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

namespace {

using namespace e2e;

constexpr DWORD kBound = 30000; // a fresh prefix is slow to start its first programs

TEST(NoCoreAudio, NeitherTheEnumeratorNorWinesMixerExists)
{
    fw::ComApartment com;
    IMMDeviceEnumerator* enumerator = nullptr;
    const HRESULT hr =
        ::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                           __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator));
    if (enumerator)
        enumerator->Release();
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG) << "the prefix must not register the enumerator";
    EXPECT_EQ(::mixerGetNumDevs(), 0u);
}

TEST(NoCoreAudio, TheProgramRunsAndEndsOnTheMixerBackend)
{
    CloseAllInstances();
    ProgramFolder program(L"e2e-nocoreaudio");
    Process p;
    ASSERT_TRUE(p.Start(LorvanePath(), L""));
    HWND main = WaitForMainWindow(p.Id(), kBound);
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, 1) == 1; }, kBound))
        << "the deferred start did not run";

    // Understood, though there is no mixer to carry them out; the running instance is left alone.
    for (const wchar_t* verb : {L"-Volume:50", L"-Mute:1", L"-Device:Speakers"})
        EXPECT_NE(RunLorvane(verb, kBound), 1) << verb;
    EXPECT_TRUE(p.Running());

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(kBound), 0);
}

} // namespace
