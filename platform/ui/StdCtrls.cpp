#include "platform/ui/StdCtrls.h"
#include "platform/ui/Forms.h"
#include <shellapi.h>

namespace ui {

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    FTransparent = true;
    FWidth = 65;
    FHeight = 17;
}

void TLabel::SetCaption(const std::wstring& c) {
    if (c == FCaption) return;
    FCaption = c;
    if (FAutoSize) AdjustBounds();
    Invalidate();
}

void TLabel::SetAutoSize(bool v) {
    if (v == FAutoSize) return;
    FAutoSize = v;
    if (v) AdjustBounds();
}

void TLabel::SetWordWrap(bool v) {
    if (v == FWordWrap) return;
    FWordWrap = v;
    if (FAutoSize) AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    if (FAutoSize) AdjustBounds();
    Invalidate();
}

UINT TLabel::TextFormat() const {
    return DT_NOPREFIX | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE);
}

void TLabel::AdjustBounds() {
    HDC dc = CreateCompatibleDC(nullptr);
    {
        TCanvas c(dc);
        c.Font.Assign(FFont);
        RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
        c.DrawText(FCaption.empty() ? std::wstring(L" ") : FCaption, r, TextFormat() | DT_CALCRECT);
        if (FWordWrap) SetBounds(FLeft, FTop, FWidth, r.bottom);
        else SetBounds(FLeft, FTop, r.right, r.bottom);
    }
    DeleteDC(dc);
}

void TLabel::Paint(TCanvas& canvas) {
    RECT r{0, 0, FWidth, FHeight};
    if (!FTransparent) {
        canvas.Brush.SetColor(FColor);
        canvas.FillRect(r);
    }
    SetBkMode(canvas.Handle(), TRANSPARENT);
    canvas.Font.Assign(FFont);
    if (!FEnabled) canvas.Font.SetColor(clBtnShadow);
    canvas.DrawText(FCaption, r, TextFormat());
}

// ---- TAAText ----

TAAText::TAAText(TComponent* owner) : TLabel(owner) {
    FWordWrap = true;
    FAutoSize = false;
    FFont.SetQuality(ANTIALIASED_QUALITY);
}

// ---- shell ----

namespace {
TShellOpen& ShellOpenFn() {
    static TShellOpen fn;
    return fn;
}
}  // namespace

void SetShellOpen(TShellOpen fn) { ShellOpenFn() = std::move(fn); }

void ShellOpen(const std::wstring& target) {
    if (ShellOpenFn()) {
        ShellOpenFn()(target);
        return;
    }
    // The shell reports its own failures (no browser, missing file); nothing to add here.
    ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

// ---- TURLLabel ----

TURLLabel::TURLLabel(TComponent* owner) : TLabel(owner) {
    FFont.SetStyle(fsUnderline);
    FFont.SetColor(clHighlight);
    FCursor = crHandPoint;
}

void TURLLabel::Click() {
    TLabel::Click();
    if (FEnabled && !URL.empty()) ShellOpen(URL);
}

// ---- TColorButton ----

TColorButton::TColorButton(TComponent* owner) : TCustomControl(owner) {
    FWidth = 65;
    FHeight = 41;
    FColor = 0xC08000;
    FFont.SetColor(clWhite);
    FFont.SetStyle(fsBold);
    FFont.SetHeight(-13);
    FCursor = crHandPoint;
}

void TColorButton::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.Style |= WS_TABSTOP;
    p.Caption = FCaption;
}

void TColorButton::SetCaption(const std::wstring& c) {
    if (c == FCaption) return;
    FCaption = c;
    if (FHandle) SetWindowTextW(FHandle, c.c_str());  // for accessibility tools
    Invalidate();
}

static TColor Blend(TColor c, int towardsWhite) {
    COLORREF rgb = ColorToRGB(c);
    auto mix = [&](int v) { return towardsWhite >= 0 ? v + (255 - v) * towardsWhite / 100 : v * (100 + towardsWhite) / 100; };
    return static_cast<TColor>(RGB(mix(GetRValue(rgb)), mix(GetGValue(rgb)), mix(GetBValue(rgb))));
}

void TColorButton::PaintBackground(TCanvas& canvas) {
    RECT r = ClientRect();
    TColor face = !FEnabled ? Blend(FColor, 45) : FPressed ? Blend(FColor, -25) : FHot ? Blend(FColor, 20) : FColor;
    canvas.Brush.SetColor(face);
    canvas.FillRect(r);
    RECT f = r;
    Frame3D(canvas, f, FPressed ? Blend(FColor, -40) : Blend(FColor, 35), FPressed ? Blend(FColor, 35) : Blend(FColor, -40), 1);
    SetBkMode(canvas.Handle(), TRANSPARENT);
    canvas.Font.Assign(FFont);
    RECT t = r;
    if (FPressed) OffsetRect(&t, 1, 1);
    canvas.DrawText(FCaption, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (FFocused) {
        RECT fr = r;
        InflateRect(&fr, -3, -3);
        SetTextColor(canvas.Handle(), ColorToRGB(clWhite));
        DrawFocusRect(canvas.Handle(), &fr);
    }
}

void TColorButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button == TMouseButton::mbLeft) {
        FPressed = true;
        if (FHandle) SetFocus(FHandle);
        Invalidate();
    }
}

void TColorButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && FPressed) {
        FPressed = false;
        Invalidate();
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

void TColorButton::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    if (!FHot) {
        FHot = true;
        Invalidate();
    }
}

void TColorButton::MouseLeave() {
    if (FHot || FPressed) {
        FHot = false;
        FPressed = false;
        Invalidate();
    }
}

LRESULT TColorButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SETFOCUS: FFocused = true; Invalidate(); return 0;
        case WM_KILLFOCUS: FFocused = false; Invalidate(); return 0;
        case WM_GETDLGCODE: return DLGC_BUTTON;
        case WM_KEYDOWN:
            if (wp == VK_SPACE || wp == VK_RETURN) {
                Click();
                return 0;
            }
            break;
    }
    return TCustomControl::WndProc(msg, wp, lp);
}

}  // namespace ui
