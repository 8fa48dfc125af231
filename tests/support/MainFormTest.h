#pragma once
// The set-up every in-process test of the main window shares: the simulated system in a
// state file of its program's own, fresh for each test; a main window whose start-up wait
// keeps the deferred start (and its settings file) out of the test, with presets, tools and
// timers as a start makes them; time on a virtual clock where the test wants one; sounds and
// warnings recorded instead of played or shown.

#include "Main.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

class MainFormTest : public testing::Test {
  protected:
    // `stateName` tells the state file apart; `endpoints` as endpointsim::Reset takes them.
    explicit MainFormTest(const wchar_t* stateName, bool virtualClock = true,
                          std::vector<std::wstring> endpoints = {})
        : stateName(stateName), virtualClock(virtualClock), endpoints(std::move(endpoints))
    {
    }

    void SetUp() override
    {
        endpointsim::UseStateFile(endpointsim::StateFileBeside(std::wstring(L"lorvane-") + stateName + L".state"));
        ASSERT_TRUE(endpointsim::Reset(endpoints));
        if (virtualClock)
            clock = std::make_unique<fw::ManualTimerBackend>();
        form = std::make_unique<lorvane::TMainForm>(L"3600");
        ASSERT_TRUE(form->Create());
        form->SoundPlayer.PlayFile = [this](const std::wstring& f) { return sounds.push_back(L"play " + f), true; };
        form->SoundPlayer.StopFile = [this] { return sounds.push_back(L"stop"), true; };
        form->SoundPlayer.Beep = [this] { return sounds.push_back(L"beep"), true; };
        form->OptionWarningBox = [this](const std::wstring& text, bool& checked) {
            warnings.push_back(text);
            checked = checkWarning;
            return answer;
        };
        form->RebuildPresets();
        form->RebuildTools();
        form->ApplyTimerSettings();
    }
    void TearDown() override
    {
        form.reset();
        clock.reset();
        fw::ProcessMessages();
    }

    // Polls real time (bounded) while the window handles its messages.
    template <typename Pred> void WaitFor(Pred done)
    {
        const DWORD start = ::GetTickCount();
        while (!done() && ::GetTickCount() - start < 5000) {
            fw::ProcessMessages();
            ::Sleep(5);
        }
        ASSERT_TRUE(done());
    }
    // Lets the endpoint's notification of our own change arrive.
    void Settle()
    {
        const DWORD start = ::GetTickCount();
        do {
            fw::ProcessMessages();
            ::Sleep(5);
        } while (form->MasterVolume->Changing() && ::GetTickCount() - start < 5000);
        fw::ProcessMessages();
    }
    // Another program sets the endpoint's level; the window has taken it.
    void SetLevel(int level)
    {
        ASSERT_TRUE(endpointsim::SetVolume(static_cast<float>(level / 65535.0L)));
        WaitFor([&] { return form->MasterVolume->Volume() == level; });
    }
    // Sounds played, files or beeps (stops left out).
    long SoundsPlayed() const { return std::count_if(sounds.begin(), sounds.end(), [](auto& s) { return s != L"stop"; }); }

    std::unique_ptr<fw::ManualTimerBackend> clock;
    std::unique_ptr<lorvane::TMainForm> form;
    std::vector<std::wstring> sounds;
    std::vector<std::wstring> warnings;
    int answer = IDYES;       // the warning box's answer
    bool checkWarning = false; // and its "don't show again" box

  private:
    const wchar_t* stateName;
    bool virtualClock;
    std::vector<std::wstring> endpoints;
};
