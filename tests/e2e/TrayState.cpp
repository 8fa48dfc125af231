#include "TrayState.h"

#include "ShellTray.h"
#include "SimControl.h"

#include <cmath>

namespace e2e {

std::wstring RealTip()
{
    for (const endpointsim::EndpointInfo& e : endpointsim::Show())
        if (e.isDefault && e.active) {
            std::wstring name = e.name.substr(0, e.name.find(L' '));
            int percent = static_cast<int>(std::lround(std::lround(e.scalar * 65535.0) / 655.35));
            return name + L": " + (e.mute ? L"Mute" : std::to_wstring(percent) + L"%");
        }
    return L"";
}

testing::AssertionResult TipShowsRealState(DWORD bound)
{
    auto shown = [] {
        const std::wstring tip = RealTip();
        const std::wstring name = tip.substr(0, tip.find(L':')), state = tip.substr(name.size());
        for (const TrayIcon& i : ShownTrayIcons())
            if (!tip.empty() && i.tip.rfind(name, 0) == 0 &&
                ((i.tip.size() >= state.size() &&
                  i.tip.compare(i.tip.size() - state.size(), state.size(), state) == 0) ||
                 (state == L": Mute" && i.tip.find(state + L" (") != std::wstring::npos)))
                return true;
        return false;
    };
    const DWORD start = ::GetTickCount();
    while (!shown()) {
        if (::GetTickCount() - start > bound) {
            auto narrow = [](const std::wstring& s) { return std::string(s.begin(), s.end()); };
            testing::AssertionResult r = testing::AssertionFailure()
                                         << "real state \"" << narrow(RealTip()) << "\", shown:";
            for (const TrayIcon& i : ShownTrayIcons())
                r << " \"" << narrow(i.tip) << "\"";
            return r;
        }
        ::Sleep(20);
    }
    return testing::AssertionSuccess();
}

} // namespace e2e
