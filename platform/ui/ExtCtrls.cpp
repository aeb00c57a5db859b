#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

namespace ui {

namespace {
const wchar_t* TimerClassName() {
    static std::wstring name = [] {
        wchar_t buf[64];
        wsprintfW(buf, L"UiTimer.%p", static_cast<void*>(ModuleInstance()));
        return std::wstring(buf);
    }();
    return name.c_str();
}
}  // namespace

void RegisterTimerClass(WNDPROC proc) {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = TimerClassName();
    RegisterClassExW(&wc);
    done = true;
}

void UnregisterTimerClass() { UnregisterClassW(TimerClassName(), ModuleInstance()); }

TTimer::TTimer(TComponent* owner) : TComponent(owner) { Update(); }

TTimer::~TTimer() {
    FEnabled = false;
    Update();
}

void TTimer::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    Update();
}

void TTimer::SetInterval(unsigned v) {
    if (v == FInterval) return;
    FInterval = v;
    Update();
}

// Every real change starts from zero: the old system timer goes, a new one is set.
void TTimer::Update() {
    if (FWindow) KillTimer(FWindow, 1);
    // The handler may be assigned after enabling, so the timer runs whether or not it has one.
    bool run = FEnabled && FInterval > 0;
    if (!run) {
        if (FWindow) {
            SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
            DestroyWindow(FWindow);
            FWindow = nullptr;
        }
        return;
    }
    if (!FWindow) {
        RegisterTimerClass(TimerWndProc);
        FWindow = CreateWindowExW(0, TimerClassName(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(),
                                  this);
        if (!FWindow) throw Exception(L"Cannot create a timer window");
    }
    if (!SetTimer(FWindow, 1, FInterval, nullptr)) throw Exception(L"No timers left");
}

LRESULT CALLBACK TTimer::TimerWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        LiveWindowCountAdjust(+1);
        SetWindowLongPtrW(h, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    } else if (msg == WM_NCDESTROY) {
        LiveWindowCountAdjust(-1);
    } else if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && self->OnTimer) {
            try {
                self->OnTimer(self);
            } catch (...) {
                Application().HandleException(std::current_exception());
            }
        }
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

// ---- TCustomPanel ----

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
}

void TCustomPanel::SetBevelInner(TBevelCut v) { if (v != FBevelInner) { FBevelInner = v; Realign(); Invalidate(); } }
void TCustomPanel::SetBevelOuter(TBevelCut v) { if (v != FBevelOuter) { FBevelOuter = v; Realign(); Invalidate(); } }
void TCustomPanel::SetBevelWidth(int v) { if (v != FBevelWidth) { FBevelWidth = v; Realign(); Invalidate(); } }
void TCustomPanel::SetBorderWidth(int v) { if (v != FBorderWidth) { FBorderWidth = v; Realign(); Invalidate(); } }
void TCustomPanel::SetBorderStyle(TPanelBorderStyle v) { if (v != FBorderStyle) { FBorderStyle = v; Invalidate(); } }

void TCustomPanel::AdjustClientRect(RECT& r) {
    InflateRect(&r, -FBorderWidth, -FBorderWidth);
    int bevel = (FBevelOuter != TBevelCut::bvNone ? FBevelWidth : 0) + (FBevelInner != TBevelCut::bvNone ? FBevelWidth : 0);
    InflateRect(&r, -bevel, -bevel);
}

static void BevelColors(TBevelCut cut, TColor& top, TColor& bottom) {
    if (cut == TBevelCut::bvLowered) {
        top = clBtnShadow;
        bottom = clBtnHighlight;
    } else {
        top = clBtnHighlight;
        bottom = clBtnShadow;
    }
}

void TCustomPanel::DrawFrames(TCanvas& canvas, RECT r) {
    TColor t, b;
    if (FBevelOuter != TBevelCut::bvNone) {
        BevelColors(FBevelOuter, t, b);
        Frame3D(canvas, r, t, b, FBevelWidth);
    }
    Frame3D(canvas, r, FColor, FColor, FBorderWidth);
    if (FBevelInner != TBevelCut::bvNone) {
        BevelColors(FBevelInner, t, b);
        Frame3D(canvas, r, t, b, FBevelWidth);
    }
}

void TCustomPanel::PaintBackground(TCanvas& canvas) {
    TCustomControl::PaintBackground(canvas);
    DrawFrames(canvas, ClientRect());
}

}  // namespace ui
