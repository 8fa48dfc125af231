#include "OptionControls.h"

#include "DisplayPage.h"
#include "HotKeyEdit.h"

#include "Form.h"

#include <commctrl.h>

namespace lorvane {

namespace {

template <typename T> void Register(const wchar_t* kind)
{
    fw::RegisterControlKind(
        kind, [](fw::TComponent* owner, const std::wstring& name) -> std::unique_ptr<fw::TControl> {
            return std::make_unique<T>(owner, name);
        });
}

} // namespace

TOptionUpDownEdit::TOptionUpDownEdit(fw::TComponent* owner, std::wstring name)
    : fw::TControl(owner, std::move(name)), edit(nullptr, L"")
{
    edit.OnChange = [this](fw::TObject*) { fw::Raise(OnChange, this); };
}

TOptionUpDownEdit::~TOptionUpDownEdit()
{
    Detach(); // the edit's window belongs to the edit
}

bool TOptionUpDownEdit::CreateHandle(fw::TControl* p, const RECT& bounds, DWORD extraStyle)
{
    DWORD style = WS_TABSTOP | WS_CLIPSIBLINGS | extraStyle;
    if (!edit.Create(p->Handle(), bounds, 0, style))
        return false;
    if (maxLength > 0)
        edit.SetMaxLength(maxLength);
    return AttachWnd(p, edit.Handle());
}

bool TOptionUpDownEdit::SetProperty(std::wstring_view key, std::wstring_view value)
{
    std::optional<int> v = fw::ParseInt(value);
    if (!v)
        return false;
    if (key == L"MaxValue")
        edit.MaxValue = *v;
    else if (key == L"MinValue")
        edit.MinValue = *v;
    else if (key == L"Increment")
        edit.Increment = *v;
    else if (key == L"MaxLength") {
        maxLength = *v;
        if (edit.Handle())
            edit.SetMaxLength(*v);
    } else if (key == L"ReadOnly") {
        if (!edit.Handle())
            return false; // the window takes it once it exists
        edit.SetReadOnly(*v != 0);
    } else if (key == L"VisibleButton")
        edit.SetVisibleButton(*v != 0);
    else
        return false;
    return true;
}

void TOptionUpDownEdit::SetEnabled(bool on)
{
    fw::TControl::SetEnabled(on);
    if (edit.Button())
        ::EnableWindow(edit.Button(), on);
}

std::optional<LRESULT> TOptionUpDownEdit::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC)
        return reinterpret_cast<LRESULT>(edit.CtlColor(reinterpret_cast<HDC>(wParam)));
    return std::nullopt;
}

TOptionTrackBar::TOptionTrackBar(fw::TComponent* owner, std::wstring name)
    : fw::TControl(owner, std::move(name)), bar(nullptr, L"")
{
}

TOptionTrackBar::~TOptionTrackBar()
{
    Detach();
}

bool TOptionTrackBar::CreateHandle(fw::TControl* p, const RECT& bounds, DWORD extraStyle)
{
    if (!bar.Create(p->Handle(), bounds, 0, WS_TABSTOP | WS_CLIPSIBLINGS | TBS_AUTOTICKS | extraStyle))
        return false;
    return AttachWnd(p, bar.Handle());
}

bool TOptionTrackBar::SetProperty(std::wstring_view key, std::wstring_view value)
{
    std::optional<int> v = fw::ParseInt(value);
    if (!v || !bar.Handle())
        return false;
    if (key == L"Max")
        bar.SetRange(bar.Min(), *v);
    else if (key == L"PageSize")
        bar.SetPageSize(*v);
    else if (key == L"Frequency")
        ::SendMessageW(bar.Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(*v), 0);
    else if (key == L"ThumbLength")
        bar.SetThumbLength(thumbLength = *v);
    else
        return false;
    return true;
}

void TOptionTrackBar::ScaleBy(int n, int d)
{
    fw::TControl::ScaleBy(n, d);
    if (thumbLength > 0 && d != 0 && n != d)
        bar.SetThumbLength(thumbLength = ::MulDiv(thumbLength, n, d));
}

void RegisterOptionControls()
{
    static const bool registered = [] {
        Register<TOptionUpDownEdit>(L"TUpDownEdit");
        Register<TOptionTrackBar>(L"TTrackBarEx");
        THotKeyEdit::Register();
        Register<TDisplayPreview>(L"TDisplayPreview");
        return true;
    }();
    (void)registered;
}

} // namespace lorvane
