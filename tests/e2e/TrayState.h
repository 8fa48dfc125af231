#pragma once
// What the tray icon should show for the simulated system, checked against what it shows.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace e2e {

// The tooltip for the simulator's default endpoint now ("Speakers: 45%", "Speakers: Mute");
// empty when no endpoint is active.
std::wstring RealTip();
// Some shown icon names the default endpoint and its state within `bound` ms (a muted icon
// may add the level: "Speakers: Mute (45%)").
testing::AssertionResult TipShowsRealState(DWORD bound = 3000);

} // namespace e2e
