// Components and controls over plain Win32: an owner tree that frees what it owns, graphic
// controls painted by their parent, and windowed controls whose HWND is owned by the object.
#pragma once
#include "platform/ui/Graphics.h"
#include <memory>
#include <vector>

namespace ui {

class TWinControl;

// A component is owned by its owner and freed with it, children first (last created first).
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    // Frees every owned component now, last created first.
    void DestroyComponents();
    std::wstring Name;
    int Tag = 0;
    // True while a form designer edits the component; nothing of this program designs forms,
    // but controls honour it (a designed timer-driven control does not run).
    bool Designing = false;

private:
    TComponent* FOwner;
    std::vector<TComponent*> FComponents;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner = nullptr);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual RECT ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
    int ClientWidth() const { RECT r = ClientRect(); return r.right - r.left; }
    int ClientHeight() const { RECT r = ClientRect(); return r.bottom - r.top; }

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool v);

    TColor Color() const { return FColor; }
    virtual void SetColor(TColor v);
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign a);
    TCursor Cursor() const { return FCursor; }
    virtual void SetCursor(TCursor c) { FCursor = c; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);

    virtual void Invalidate();
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnResize;
    std::function<void(TObject*, TMouseButton, TShiftState, int, int)> OnMouseDown;
    std::function<void(TObject*, TShiftState, int, int)> OnMouseMove;

    // Windowed controls own an HWND; graphic ones are drawn by their parent.
    virtual bool IsWindowed() const { return false; }
    // Graphic controls paint themselves here, onto the parent's canvas in client coordinates
    // of the control (the origin is moved for them).
    virtual void Paint(TCanvas&) {}

    // Mouse handling, also for graphic controls (the parent routes messages to them).
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseLeave() {}

    // Forgets the parent without telling it (the parent is going away).
    void DetachParent() { FParent = nullptr; }

protected:
    virtual void FontChanged() { Invalidate(); }
    virtual void BoundsChanged() {}
    virtual void Resize() { if (OnResize) OnResize(this); }

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    bool FTransparent = false;
    TColor FColor = clBtnFace;
    TFont FFont;
    TAlign FAlign = TAlign::alNone;
    TCursor FCursor = crDefault;
    bool FMouseDownInside = false;
};

class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

// Live windows made by this module's controls and timers; a COM server stays loaded while any exists.
long LiveWindowCount();
void LiveWindowCountAdjust(long delta);
// This module's instance (the EXE or the DLL that links this library).
HINSTANCE ModuleInstance();
// Unregisters this module's window class; a server calls it when it is unloaded.
// (timer windows included).
void UnregisterWindowClasses();

struct TCreateParams {
    DWORD Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    DWORD ExStyle = 0;
    HWND ParentWindow = nullptr;
    std::wstring Caption;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner = nullptr);
    ~TWinControl() override;

    bool IsWindowed() const override { return true; }
    HWND Handle();  // creates the window on first use
    bool HandleAllocated() const { return FHandle != nullptr; }
    void SetParent(TWinControl* parent) override;
    // Puts the control into a window that belongs to somebody else (another module's panel).
    void SetParentWindow(HWND parent);
    HWND ParentWindow() const { return FParentWindow; }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool v) override;
    void SetEnabled(bool v) override;
    void SetColor(TColor v) override;
    void Invalidate() override;
    void Update();  // paints the invalid region now
    void Repaint() { Invalidate(); Update(); }

    const std::vector<TControl*>& Controls() const { return FControls; }
    // The area left to aligned children; a panel subtracts its frames here.
    virtual void AdjustClientRect(RECT& r) { (void)r; }
    void Realign();

    // Window procedure of the object: handle a message or pass it on.
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);

    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void InvalidateChild(TControl* c);
    void DestroyHandle();

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    // The default paint: fill with Color (unless transparent), then the graphic children,
    // composed off-screen and copied in one block.
    virtual void PaintWindow(HDC dc, const RECT& updateRect);
    virtual void PaintBackground(TCanvas& canvas);
    void PaintControls(TCanvas& canvas, const RECT& clip);
    void FontChanged() override { Invalidate(); }

    HWND FHandle = nullptr;
    HWND FParentWindow = nullptr;
    std::vector<TControl*> FControls;
    bool FTrackingMouse = false;
    TControl* FMouseCapture = nullptr;
    TControl* FHover = nullptr;

private:
    static LRESULT CALLBACK StaticWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    TControl* ControlAt(int x, int y);
    void Detach();
    friend class TControl;
};

// A windowed control that paints itself through Paint(Canvas) on an off-screen canvas.
class TCustomControl : public TWinControl {
public:
    using TWinControl::TWinControl;
};

}  // namespace ui
