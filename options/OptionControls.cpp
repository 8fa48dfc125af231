#include "OptionControls.h"

#include "Form.h"

#include <climits>
#include <string>

namespace lorvane {

namespace {

long long Clamp(long long v, int minValue, int maxValue)
{
    if (minValue < maxValue && (v < minValue || v > maxValue))
        return v < minValue ? minValue : maxValue;
    return v;
}

} // namespace

bool TOptionUpDownEdit::CreateHandle(fw::TControl* p, const RECT& bounds, DWORD extraStyle)
{
    DWORD style =
        WS_VISIBLE | WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL | (readOnly ? ES_READONLY : 0) | extraStyle;
    if (!CreateWnd(p, L"EDIT", L"0", style, WS_EX_CLIENTEDGE, bounds))
        return false;
    if (maxLength > 0)
        ::SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength), 0);
    return true;
}

bool TOptionUpDownEdit::SetProperty(std::wstring_view key, std::wstring_view value)
{
    std::optional<int> v = fw::ParseInt(value);
    if (!v)
        return false;
    if (key == L"MaxValue")
        maxValue = *v;
    else if (key == L"MinValue")
        minValue = *v;
    else if (key == L"Increment")
        increment = *v;
    else if (key == L"MaxLength") {
        maxLength = *v;
        if (Handle())
            ::SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength), 0);
    } else if (key == L"ReadOnly") {
        readOnly = *v != 0;
        if (Handle())
            ::SendMessageW(Handle(), EM_SETREADONLY, readOnly, 0);
    } else if (key == L"VisibleButton") {
        return true;
    } else {
        return false;
    }
    return true;
}

int TOptionUpDownEdit::Value()
{
    std::wstring text = Caption();
    long long v = remembered;
    if (text.empty()) {
        v = 0;
    } else if (std::optional<int> parsed = fw::ParseInt(text)) {
        v = *parsed;
    }
    remembered = static_cast<int>(Clamp(v, minValue, maxValue));
    return remembered;
}

void TOptionUpDownEdit::SetValue(int value)
{
    remembered = static_cast<int>(Clamp(value, minValue, maxValue));
    SetCaption(std::to_wstring(remembered));
}

std::optional<LRESULT> TOptionUpDownEdit::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
        fw::Raise(OnChange, this);
        return 0;
    }
    return std::nullopt;
}

LRESULT TOptionUpDownEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && !readOnly) {
            SetValue(static_cast<int>(
                Clamp(static_cast<long long>(Value()) + (wParam == VK_UP ? increment : -increment), INT_MIN,
                      INT_MAX)));
            return 0;
        }
        if (msg == WM_KILLFOCUS)
            SetValue(Value());
    } catch (...) {
        return 0;
    }
    return fw::TControl::WndProc(msg, wParam, lParam);
}

void RegisterOptionControls()
{
    static const bool registered = [] {
        fw::RegisterControlKind(L"TUpDownEdit", [](fw::TComponent* owner, const std::wstring& name) {
            return std::make_unique<TOptionUpDownEdit>(owner, name);
        });
        // Until the hotkey entry control and the extended track bar take these places.
        fw::RegisterControlKind(L"THotKeyEdit", [](fw::TComponent* owner, const std::wstring& name) {
            return std::make_unique<fw::TEdit>(owner, name);
        });
        fw::RegisterControlKind(L"TTrackBarEx", [](fw::TComponent* owner, const std::wstring& name) {
            return std::make_unique<fw::TLabel>(owner, name);
        });
        return true;
    }();
    (void)registered;
}

} // namespace lorvane
