#include "TrackBarEx.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace support {

namespace trackbar {

int KeyScrollCode(WPARAM key) noexcept
{
    switch (key) {
    case VK_UP:
    case VK_LEFT:
        return tsLineUp;
    case VK_DOWN:
    case VK_RIGHT:
        return tsLineDown;
    case VK_PRIOR:
        return tsPageUp;
    case VK_NEXT:
        return tsPageDown;
    case VK_END:
        return tsEnd;
    case VK_HOME:
        return tsHome;
    default:
        return -1;
    }
}

bool PressOnTrack(POINT p, const RECT& channel, const RECT& thumb, bool vertical) noexcept
{
    if (vertical)
        return p.x >= thumb.left && p.x < thumb.right && p.y >= channel.left && p.y < channel.right;
    return p.x >= channel.left && p.x < channel.right && p.y >= thumb.top && p.y < thumb.bottom;
}

int CursorPosition(int c, int lo, int hi, int thumb, int min, int max) noexcept
{
    const double start = lo + thumb / 2.0;
    const double end = hi - thumb / 2.0;
    if (end <= start || max <= min)
        return min;
    // nearbyint rounds halves to even in the default rounding mode.
    double v = std::nearbyint((c - start) / (end - start) * (max - min) + min);
    return static_cast<int>(std::clamp(v, static_cast<double>(min), static_cast<double>(max)));
}

} // namespace trackbar

bool TTrackBarEx::Create(HWND parent, const RECT& bounds, UINT id, DWORD style)
{
    if (!CreateWnd(parent, TRACKBAR_CLASSW, style | WS_VISIBLE, 0, bounds, id))
        return false;
    ApplySelection();
    lastPosition = Position();
    return true;
}

bool TTrackBarEx::Vertical() const noexcept
{
    return Handle() && (::GetWindowLongPtrW(Handle(), GWL_STYLE) & TBS_VERT);
}

int TTrackBarEx::Min() const noexcept
{
    return static_cast<int>(::SendMessageW(Handle(), TBM_GETRANGEMIN, 0, 0));
}

int TTrackBarEx::Max() const noexcept
{
    return static_cast<int>(::SendMessageW(Handle(), TBM_GETRANGEMAX, 0, 0));
}

void TTrackBarEx::SetRange(int min, int max)
{
    ::SendMessageW(Handle(), TBM_SETRANGEMIN, FALSE, min);
    ::SendMessageW(Handle(), TBM_SETRANGEMAX, TRUE, max);
    CheckChanged();
}

int TTrackBarEx::Position() const noexcept
{
    return static_cast<int>(::SendMessageW(Handle(), TBM_GETPOS, 0, 0));
}

void TTrackBarEx::SetPosition(int position)
{
    ::SendMessageW(Handle(), TBM_SETPOS, TRUE, position);
    CheckChanged();
}

void TTrackBarEx::SetLineSize(int size)
{
    ::SendMessageW(Handle(), TBM_SETLINESIZE, 0, size);
}

void TTrackBarEx::SetPageSize(int size)
{
    ::SendMessageW(Handle(), TBM_SETPAGESIZE, 0, size);
}

void TTrackBarEx::SetThumbLength(int length)
{
    if (!Handle())
        return;
    LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
    if (!(style & TBS_FIXEDLENGTH))
        ::SetWindowLongPtrW(Handle(), GWL_STYLE, style | TBS_FIXEDLENGTH);
    ::SendMessageW(Handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(length), 0);
}

void TTrackBarEx::SetShowSelRange(bool on)
{
    showSelRange = on;
    ApplySelection();
}

void TTrackBarEx::SetSelection(int start, int end)
{
    selStart = start;
    selEnd = end;
    ApplySelection();
}

void TTrackBarEx::ApplySelection()
{
    if (!Handle())
        return;
    LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
    LONG_PTR wanted =
        showSelRange ? style | TBS_ENABLESELRANGE : style & ~static_cast<LONG_PTR>(TBS_ENABLESELRANGE);
    if (wanted != style)
        ::SetWindowLongPtrW(Handle(), GWL_STYLE, wanted);
    if (!showSelRange || (selStart == 0 && selEnd == 0))
        ::SendMessageW(Handle(), TBM_CLEARSEL, TRUE, 0);
    else
        ::SendMessageW(Handle(), TBM_SETSEL, TRUE, MAKELPARAM(selStart, selEnd));
}

void TTrackBarEx::Scroll(int code)
{
    CheckChanged();
    fw::Raise(OnScroll, this, code, Position());
}

void TTrackBarEx::CheckChanged()
{
    if (!Handle())
        return;
    int now = Position();
    if (now == lastPosition)
        return;
    lastPosition = now;
    fw::Raise(OnChange, this);
}

LRESULT TTrackBarEx::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (msg) {
    case WM_KEYDOWN: {
        int before = Position();
        LRESULT r = DefaultProc(msg, wParam, lParam);
        int code = trackbar::KeyScrollCode(wParam);
        if (code >= 0 && Position() != before)
            Scroll(code);
        else
            CheckChanged();
        return r;
    }
    case WM_MOUSEWHEEL:
        // Never the ordinary handling: one arrow key per message, whatever the delta.
        ::SendMessageW(Handle(), WM_KEYDOWN, GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? VK_DOWN : VK_UP, 0);
        return 0;
    case WM_MOUSEMOVE: {
        if (!mouseInside) {
            mouseInside = true;
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, Handle(), 0};
            ::TrackMouseEvent(&tme);
            fw::Raise(OnMouseEnter, this);
        }
        int before = Position();
        LRESULT r = DefaultProc(msg, wParam, lParam);
        if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2)) == MK_LBUTTON &&
            Position() != before)
            Scroll(tsTrack);
        return r;
    }
    case WM_MOUSELEAVE:
        mouseInside = false;
        fw::Raise(OnMouseLeave, this);
        break;
    case WM_LBUTTONDOWN: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT channel{}, thumb{};
        ::SendMessageW(Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
        ::SendMessageW(Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        const bool vertical = Vertical();
        // Some systems report a vertical channel as it stands, not turned: read it either way.
        if (vertical && channel.bottom - channel.top > channel.right - channel.left)
            channel = {channel.top, channel.left, channel.bottom, channel.right};
        pressOnTrack = trackbar::PressOnTrack(p, channel, thumb, vertical);
        if (!pressOnTrack)
            return DefaultProc(msg, wParam, lParam);
        int before = Position();
        if (TrackMode == TTrackMode::tmCursor) {
            int len = vertical ? thumb.bottom - thumb.top : thumb.right - thumb.left;
            int pos = trackbar::CursorPosition(vertical ? p.y : p.x, channel.left, channel.right, len, Min(),
                                               Max());
            ::SendMessageW(Handle(), TBM_SETPOS, TRUE, pos);
        }
        LRESULT r = DefaultProc(msg, wParam, lParam);
        CheckChanged();
        fw::Raise(OnScroll, this, static_cast<int>(tsPress), Position());
        if (Position() != before)
            fw::Raise(OnScroll, this, static_cast<int>(tsTrack), Position());
        return r;
    }
    case WM_LBUTTONUP: {
        inButtonUp = true;
        LRESULT r = DefaultProc(msg, wParam, lParam);
        inButtonUp = false;
        if (pressOnTrack) {
            pressOnTrack = false;
            Scroll(tsRelease);
        } else {
            CheckChanged();
        }
        return r;
    }
    case WM_CAPTURECHANGED: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        // A press that ends without its button release (the window hid, another took the
        // mouse) still gets its release, so whoever counts presses is given back its count.
        if (pressOnTrack && !inButtonUp) {
            pressOnTrack = false;
            Scroll(tsRelease);
        }
        return r;
    }
    case WM_TIMER: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        CheckChanged();
        return r;
    }
    default:
        break;
    }
    return DefaultProc(msg, wParam, lParam);
}

} // namespace support
