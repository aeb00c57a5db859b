#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include <windowsx.h>
#include <algorithm>
#include <atomic>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace ui {

namespace {
std::atomic<long> gLiveWindows{0};
ATOM gWindowClass = 0;

std::wstring ClassName() {
    // Unique per module: the EXE and each DLL register their own class with their own procedure.
    wchar_t buf[64];
    wsprintfW(buf, L"UiControl.%p", static_cast<void*>(ModuleInstance()));
    return buf;
}

TShiftState ShiftFromKeys(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}
}  // namespace

long LiveWindowCount() { return gLiveWindows.load(); }
void LiveWindowCountAdjust(long delta) { gLiveWindows += delta; }
void UnregisterTimerClass();
HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
void UnregisterWindowClasses() {
    if (gWindowClass) {
        UnregisterClassW(ClassName().c_str(), ModuleInstance());
        gWindowClass = 0;
    }
    UnregisterTimerClass();
}

// ---- TComponent ----

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
    if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    if (FOwner) {
        auto& v = FOwner->FComponents;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        FComponents.pop_back();
        c->FOwner = nullptr;
        delete c;
    }
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {
    FFont.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
    FFont.OnChange = nullptr;
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (FParent) {
        Invalidate();
        FParent->RemoveControl(this);
    }
    FParent = parent;
    if (FParent) {
        FParent->InsertControl(this);
        Invalidate();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    bool sized = width != FWidth || height != FHeight;
    Invalidate();
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    Invalidate();
    BoundsChanged();
    if (sized) Resize();
}

void TControl::SetVisible(bool v) {
    if (v == FVisible) return;
    FVisible = v;
    if (FParent) FParent->InvalidateChild(this);
}

void TControl::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    Invalidate();
}

void TControl::SetColor(TColor v) {
    if (v == FColor) return;
    FColor = v;
    Invalidate();
}

void TControl::SetAlign(TAlign a) {
    if (a == FAlign) return;
    FAlign = a;
    if (FParent) FParent->Realign();
}

void TControl::SetTransparent(bool v) {
    if (v == FTransparent) return;
    FTransparent = v;
    Invalidate();
}

void TControl::Invalidate() {
    if (FParent && FVisible) FParent->InvalidateChild(this);
}

void TControl::Click() {
    if (FEnabled && OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) FMouseDownInside = true;
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState, int x, int y) {
    if (button != TMouseButton::mbLeft) return;
    bool inside = x >= 0 && y >= 0 && x < FWidth && y < FHeight;
    bool wasDown = FMouseDownInside;
    FMouseDownInside = false;
    if (wasDown && inside) Click();
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Owned children go first, while this object can still take their goodbyes; children that
    // somebody else owns just forget their parent.
    DestroyComponents();
    for (TControl* c : FControls) c->DetachParent();
    FControls.clear();
    DestroyHandle();
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    HWND h = FHandle;
    FHandle = nullptr;
    // Messages sent while the window goes away reach no half-destroyed object.
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    for (TControl* c : FControls)
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->Detach();
    DestroyWindow(h);
}

void TWinControl::Detach() {
    // The parent's window takes this one with it; forget the handle, keep the object.
    if (!FHandle) return;
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    for (TControl* c : FControls)
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->Detach();
    FHandle = nullptr;
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (FVisible) p.Style |= WS_VISIBLE;
    if (!FEnabled) p.Style |= WS_DISABLED;
    if (FParent) p.ParentWindow = FParent->Handle();
    else p.ParentWindow = FParentWindow;
}

void TWinControl::CreateWnd() {
    if (!gWindowClass) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        std::wstring name = ClassName();
        wc.lpszClassName = name.c_str();
        gWindowClass = RegisterClassExW(&wc);
        if (!gWindowClass && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) gWindowClass = 1;
        if (!gWindowClass) throw Exception(L"Cannot register the window class");
    }
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.ParentWindow) {
        // A child without a parent yet: a hidden pop-up until it is given one.
        p.Style = (p.Style & ~(WS_CHILD | WS_VISIBLE)) | WS_POPUP;
    }
    HWND h = CreateWindowExW(p.ExStyle, ClassName().c_str(), p.Caption.c_str(), p.Style, FLeft, FTop, FWidth,
                             FHeight, p.ParentWindow, nullptr, ModuleInstance(), this);
    if (!h) throw Exception(L"Cannot create a window (error " + std::to_wstring(GetLastError()) + L")");
    for (TControl* c : FControls)
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->Handle();
}

HWND TWinControl::Handle() {
    if (!FHandle) CreateWnd();
    return FHandle;
}

void TWinControl::InsertControl(TControl* c) {
    FControls.push_back(c);
    if (FHandle && c->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(c);
        if (w->FHandle) {
            ::SetParent(w->FHandle, FHandle);
            LONG_PTR style = GetWindowLongPtrW(w->FHandle, GWL_STYLE);
            SetWindowLongPtrW(w->FHandle, GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
            SetWindowPos(w->FHandle, nullptr, w->FLeft, w->FTop, w->FWidth, w->FHeight,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            if (w->FVisible) ShowWindow(w->FHandle, SW_SHOWNA);
        } else {
            w->Handle();
        }
    }
    if (c->Align() != TAlign::alNone) Realign();
}

void TWinControl::RemoveControl(TControl* c) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
    if (FMouseCapture == c) FMouseCapture = nullptr;
    if (FHover == c) FHover = nullptr;
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    TControl::SetParent(parent);
    if (!parent && FHandle && !FParentWindow) {
        ::SetParent(FHandle, nullptr);
    }
}

void TWinControl::SetParentWindow(HWND parent) {
    FParentWindow = parent;
    if (!FHandle) return;
    LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
    if (parent) style = (style & ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME)) | WS_CHILD;
    else style = (style & ~WS_CHILD) | WS_POPUP;
    SetWindowLongPtrW(FHandle, GWL_STYLE, style);
    ::SetParent(FHandle, parent);
    // On top of the host's own children in that window.
    SetWindowPos(FHandle, HWND_TOP, FLeft, FTop, FWidth, FHeight, SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    if (FHandle) {
        // WM_SIZE/WM_MOVE update the fields and run Resize.
        FLeft = left;
        FTop = top;
        bool sized = width != FWidth || height != FHeight;
        FWidth = width;
        FHeight = height;
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        BoundsChanged();
        if (sized) {
            Realign();
            Resize();
        }
    } else {
        TControl::SetBounds(left, top, width, height);
        Realign();
    }
}

void TWinControl::SetVisible(bool v) {
    if (v == FVisible) return;
    FVisible = v;
    if (v) {
        HWND h = Handle();
        ShowWindow(h, (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
    } else if (FHandle) {
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TWinControl::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    if (FHandle) EnableWindow(FHandle, v);
    Invalidate();
}

void TWinControl::SetColor(TColor v) {
    if (v == FColor) return;
    FColor = v;
    Invalidate();
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
}

void TWinControl::InvalidateChild(TControl* c) {
    if (!FHandle || c->IsWindowed()) return;
    RECT r = c->BoundsRect();
    InvalidateRect(FHandle, &r, FALSE);
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Realign() {
    RECT r = ClientRect();
    AdjustClientRect(r);
    for (TControl* c : FControls) {
        if (!c->Visible()) continue;
        switch (c->Align()) {
            case TAlign::alNone: break;
            case TAlign::alTop:
                c->SetBounds(r.left, r.top, r.right - r.left, c->Height());
                r.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(r.left, r.bottom - c->Height(), r.right - r.left, c->Height());
                r.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(r.left, r.top, c->Width(), r.bottom - r.top);
                r.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(r.right - c->Width(), r.top, c->Width(), r.bottom - r.top);
                r.right -= c->Width();
                break;
            case TAlign::alClient: break;
        }
    }
    for (TControl* c : FControls)
        if (c->Visible() && c->Align() == TAlign::alClient)
            c->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
}

void TWinControl::PaintBackground(TCanvas& canvas) {
    canvas.Brush.SetColor(FColor);
    RECT r = ClientRect();
    canvas.FillRect(r);
}

void TWinControl::PaintControls(TCanvas& canvas, const RECT& clip) {
    for (TControl* c : FControls) {
        if (c->IsWindowed() || !c->Visible()) continue;
        RECT b = c->BoundsRect(), x;
        if (!IntersectRect(&x, &b, &clip)) continue;
        HDC dc = canvas.Handle();
        int saved = SaveDC(dc);
        IntersectClipRect(dc, b.left, b.top, b.right, b.bottom);
        SetViewportOrgEx(dc, b.left, b.top, nullptr);
        {
            TCanvas child(dc);
            child.Font.Assign(c->Font());
            c->Paint(child);
        }
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintWindow(HDC dc, const RECT& update) {
    RECT cr = ClientRect();
    if (cr.right <= 0 || cr.bottom <= 0) return;
    TBitmap buffer(cr.right, cr.bottom);
    TCanvas& canvas = buffer.Canvas();
    canvas.Font.Assign(FFont);
    PaintBackground(canvas);
    PaintControls(canvas, update);
    BitBlt(dc, update.left, update.top, update.right - update.left, update.bottom - update.top, buffer.DC(),
           update.left, update.top, SRCCOPY);
}

TControl* TWinControl::ControlAt(int x, int y) {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible() || !c->Enabled()) continue;
        RECT b = c->BoundsRect();
        POINT p{x, y};
        if (PtInRect(&b, p)) return c;
    }
    return nullptr;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(FHandle, msg, wp, lp);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(FHandle, &ps);
            struct EndGuard {
                HWND h;
                PAINTSTRUCT* ps;
                ~EndGuard() { EndPaint(h, ps); }
            } guard{FHandle, &ps};
            PaintWindow(dc, ps.rcPaint);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT r = ClientRect();
            PaintWindow(reinterpret_cast<HDC>(wp), r);
            return 0;
        }
        case WM_SIZE: {
            RECT wr;
            GetWindowRect(FHandle, &wr);
            int w = wr.right - wr.left, h = wr.bottom - wr.top;
            if (w != FWidth || h != FHeight) {
                FWidth = w;
                FHeight = h;
                Realign();
                Resize();
            } else if (wp == 0 && lp == 0) {
                // A resize message sent by code to re-run the layout.
                Realign();
                Resize();
            }
            return 0;
        }
        case WM_MOVE: {
            RECT wr;
            GetWindowRect(FHandle, &wr);
            HWND parent = GetParent(FHandle);
            if (parent && (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CHILD))
                MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
            FLeft = wr.left;
            FTop = wr.top;
            return 0;
        }
        case WM_MOUSEMOVE: {
            int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
            if (!FTrackingMouse) {
                TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
                FTrackingMouse = TrackMouseEvent(&tme) != FALSE;
            }
            TControl* target = FMouseCapture ? FMouseCapture : ControlAt(x, y);
            if (target != FHover) {
                TControl* old = FHover;
                FHover = target;
                if (old) old->MouseLeave();
            }
            if (target) target->MouseMove(ShiftFromKeys(wp), x - target->Left(), y - target->Top());
            else MouseMove(ShiftFromKeys(wp), x, y);
            return 0;
        }
        case WM_MOUSELEAVE: {
            FTrackingMouse = false;
            TControl* old = FHover;
            FHover = nullptr;
            if (old) old->MouseLeave();
            MouseLeave();
            return 0;
        }
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK: {
            TMouseButton b = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) ? TMouseButton::mbLeft
                             : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) ? TMouseButton::mbRight
                                                                                  : TMouseButton::mbMiddle;
            TShiftState s = ShiftFromKeys(wp);
            if (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK) s |= ssDouble;
            int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
            if (TControl* c = ControlAt(x, y)) {
                FMouseCapture = c;
                SetCapture(FHandle);
                c->MouseDown(b, s, x - c->Left(), y - c->Top());
            } else {
                if (b == TMouseButton::mbLeft) SetCapture(FHandle);
                MouseDown(b, s, x, y);
            }
            return 0;
        }
        case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
            TMouseButton b = msg == WM_LBUTTONUP ? TMouseButton::mbLeft
                             : msg == WM_RBUTTONUP ? TMouseButton::mbRight
                                                   : TMouseButton::mbMiddle;
            int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
            TControl* c = FMouseCapture;
            FMouseCapture = nullptr;
            if (GetCapture() == FHandle) ReleaseCapture();
            if (c) c->MouseUp(b, ShiftFromKeys(wp), x - c->Left(), y - c->Top());
            else MouseUp(b, ShiftFromKeys(wp), x, y);
            return 0;
        }
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == FHandle) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(FHandle, &p);
                TControl* c = ControlAt(p.x, p.y);
                TCursor cur = c && c->Cursor() != crDefault ? c->Cursor() : FCursor;
                if (cur != crDefault) {
                    ::SetCursor(CursorHandle(cur));
                    return TRUE;
                }
            }
            break;
    }
    return DefaultHandler(msg, wp, lp);
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        ++gLiveWindows;
        auto* self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->FHandle = h;
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        --gLiveWindows;
        if (self) {
            SetWindowLongPtrW(h, GWLP_USERDATA, 0);
            self->FHandle = nullptr;
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
    if (!self) return DefWindowProcW(h, msg, wp, lp);
    try {
        return self->WndProc(msg, wp, lp);
    } catch (...) {
        // Never let a C++ exception cross into the system.
        Application().HandleException(std::current_exception());
        return 0;
    }
}

}  // namespace ui
