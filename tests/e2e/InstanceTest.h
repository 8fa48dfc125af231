#pragma once
// The set-up every end-to-end test shares: the simulated system in a state file of its
// program's own, fresh for each test at a known level; the one desktop and its pointer to
// the suite (other test programs show icons and move the pointer there); no instance of the
// program left from before or after; and a scratch program folder for its settings file.

#include "DesktopTestLock.h"
#include "LorvaneProcess.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace e2e {

class InstanceTest : public testing::Test {
  protected:
    // `name` tells the state file and program folder apart; `volume` is the level each test
    // starts from (none: the fresh system's full level).
    explicit InstanceTest(const wchar_t* name, std::optional<float> volume = 0.45f)
        : name(name), volume(volume)
    {
    }

    static void SetUpTestSuite() { desktopLock = std::make_unique<testsupport::DesktopTestLock>(); }
    static void TearDownTestSuite() { desktopLock.reset(); }

    void SetUp() override
    {
        endpointsim::UseStateFile(endpointsim::StateFileBeside(L"lorvane-e2e-" + name + L".state"));
        CloseAllInstances();
        ASSERT_TRUE(endpointsim::Reset());
        if (volume) {
            ASSERT_TRUE(endpointsim::SetVolume(*volume));
        }
        program = std::make_unique<ProgramFolder>(L"e2e-" + name);
    }
    void TearDown() override
    {
        CloseAllInstances();
        program.reset();
    }

    std::unique_ptr<ProgramFolder> program;

  private:
    static inline std::unique_ptr<testsupport::DesktopTestLock> desktopLock;
    std::wstring name;
    std::optional<float> volume;
};

} // namespace e2e
