#include "platform/ui/Graphics.h"
#include <algorithm>
#include <cstring>

namespace ui {

HCURSOR CursorHandle(TCursor c) {
    switch (c) {
        case crHandPoint: return LoadCursorW(nullptr, IDC_HAND);
        default: return LoadCursorW(nullptr, IDC_ARROW);
    }
}

// ---- TFont ----

TFont::TFont() = default;

void TFont::Changed() {
    FHandle.Reset();
    ++FVersion;
    if (OnChange) OnChange();
}

void TFont::Assign(const TFont& s) {
    if (&s == this) return;
    bool diff = FName != s.FName || FHeight != s.FHeight || FColor != s.FColor || FStyle != s.FStyle ||
                FCharset != s.FCharset || FQuality != s.FQuality;
    FName = s.FName;
    FHeight = s.FHeight;
    FColor = s.FColor;
    FStyle = s.FStyle;
    FCharset = s.FCharset;
    FQuality = s.FQuality;
    if (diff) Changed();
}

void TFont::SetName(const std::wstring& v) { if (v != FName) { FName = v; Changed(); } }
void TFont::SetHeight(int v) { if (v != FHeight) { FHeight = v; Changed(); } }
int TFont::Size() const { return -MulDiv(FHeight, 72, PixelsPerInch); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, PixelsPerInch, 72)); }
void TFont::SetColor(TColor v) {
    // The colour is not part of the GDI font: no new handle is needed.
    if (v != FColor) { FColor = v; ++FVersion; if (OnChange) OnChange(); }
}
void TFont::SetStyle(TFontStyles v) { if (v != FStyle) { FStyle = v; Changed(); } }
void TFont::SetCharset(BYTE v) { if (v != FCharset) { FCharset = v; Changed(); } }
void TFont::SetQuality(BYTE q) { if (q != FQuality) { FQuality = q; Changed(); } }

HFONT TFont::Handle() const {
    if (!FHandle) {
        LOGFONTW lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (FStyle & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = FCharset;
        lf.lfQuality = FQuality;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        size_t n = std::min<size_t>(FName.size(), LF_FACESIZE - 1);
        std::copy_n(FName.c_str(), n, lf.lfFaceName);
        lf.lfFaceName[n] = 0;
        FHandle.Reset(CreateFontIndirectW(&lf));
    }
    return FHandle.Get();
}

// ---- TBrush, TPen ----

void TBrush::SetColor(TColor v) { if (v != FColor) { FColor = v; FHandle.Reset(); ++FVersion; } }
void TBrush::SetStyle(TBrushStyle v) { if (v != FStyle) { FStyle = v; FHandle.Reset(); ++FVersion; } }
HBRUSH TBrush::Handle() const {
    if (FStyle == TBrushStyle::bsClear) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    if (!FHandle) FHandle.Reset(CreateSolidBrush(ColorToRGB(FColor)));
    return FHandle.Get();
}

void TPen::SetColor(TColor v) { if (v != FColor) { FColor = v; FHandle.Reset(); ++FVersion; } }
void TPen::SetWidth(int v) { if (v != FWidth) { FWidth = v; FHandle.Reset(); ++FVersion; } }
HPEN TPen::Handle() const {
    if (!FHandle) FHandle.Reset(CreatePen(PS_SOLID, FWidth, ColorToRGB(FColor)));
    return FHandle.Get();
}

// ---- TCanvas ----

void TCanvas::SetHandle(HDC dc) {
    if (dc == FHandle) return;
    Deselect();
    FHandle = dc;
}

void TCanvas::Deselect() {
    if (!FHandle) return;
    if (FOldFont) SelectObject(FHandle, FOldFont);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
    if (FOldPen) SelectObject(FHandle, FOldPen);
    FOldFont = FOldBrush = FOldPen = nullptr;
    FFontVersion = FBrushVersion = FPenVersion = 0;
}

void TCanvas::Select(bool font, bool brush, bool pen) {
    if (!FHandle) return;
    if (font && FFontVersion != Font.Version()) {
        HGDIOBJ old = SelectObject(FHandle, Font.Handle());
        if (!FOldFont) FOldFont = old;
        SetTextColor(FHandle, ColorToRGB(Font.Color()));
        FFontVersion = Font.Version();
    }
    if (brush && FBrushVersion != Brush.Version()) {
        HGDIOBJ old = SelectObject(FHandle, Brush.Handle());
        if (!FOldBrush) FOldBrush = old;
        SetBkColor(FHandle, ColorToRGB(Brush.Color()));
        FBrushVersion = Brush.Version();
    }
    if (pen && FPenVersion != Pen.Version()) {
        HGDIOBJ old = SelectObject(FHandle, Pen.Handle());
        if (!FOldPen) FOldPen = old;
        FPenVersion = Pen.Version();
    }
}

void TCanvas::FillRect(const RECT& r) {
    Select(false, true, false);
    ::FillRect(FHandle, &r, Brush.Handle());
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
    Select(false, true, true);
    ::Rectangle(FHandle, l, t, r, b);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(FHandle, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    Select(false, false, true);
    ::LineTo(FHandle, x, y);
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
    Select(true, true, false);
    ::TextOutW(FHandle, x, y, text.c_str(), static_cast<int>(text.size()));
}

SIZE TCanvas::TextExtent(const std::wstring& text) {
    Select(true, false, false);
    SIZE s{};
    GetTextExtentPoint32W(FHandle, text.c_str(), static_cast<int>(text.size()), &s);
    return s;
}

int TCanvas::DrawText(const std::wstring& text, RECT& r, UINT format) {
    Select(true, true, false);
    return ::DrawTextW(FHandle, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void TCanvas::Draw(int x, int y, const TBitmap& bmp) {
    if (bmp.Empty()) return;
    RECT r{x, y, x + bmp.Width(), y + bmp.Height()};
    StretchDraw(r, bmp);
}

void TCanvas::StretchDraw(const RECT& r, const TBitmap& bmp) {
    if (bmp.Empty() || !FHandle) return;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (bmp.Transparent()) {
        TransparentBlt(FHandle, r.left, r.top, w, h, bmp.DC(), 0, 0, bmp.Width(), bmp.Height(),
                       ColorToRGB(bmp.TransparentColor()));
    } else if (w == bmp.Width() && h == bmp.Height()) {
        BitBlt(FHandle, r.left, r.top, w, h, bmp.DC(), 0, 0, SRCCOPY);
    } else {
        int old = SetStretchBltMode(FHandle, COLORONCOLOR);
        StretchBlt(FHandle, r.left, r.top, w, h, bmp.DC(), 0, 0, bmp.Width(), bmp.Height(), SRCCOPY);
        SetStretchBltMode(FHandle, old);
    }
}

// ---- TBitmap ----

TBitmap::~TBitmap() { Release(); }

void TBitmap::Release() {
    FCanvas.reset();  // puts the DC's objects back first
    if (FDC) {
        SelectObject(FDC, FOldBitmap);
        DeleteDC(FDC);
        FDC = nullptr;
    }
    FBitmap.Reset();
    FBits = nullptr;
    FWidth = FHeight = 0;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == FWidth && height == FHeight && FDC) return;
    Release();
    FDC = CreateCompatibleDC(nullptr);
    if (width > 0 && height > 0) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!FBitmap) { DeleteDC(FDC); FDC = nullptr; throw std::bad_alloc(); }
        FBits = static_cast<uint32_t*>(bits);
        FWidth = width;
        FHeight = height;
        FOldBitmap = SelectObject(FDC, FBitmap.Get());
    }
}

void TBitmap::Assign(const TBitmap& s) {
    if (&s == this) return;
    SetSize(s.FWidth, s.FHeight);
    GdiFlush();
    if (FBits && s.FBits) std::memcpy(FBits, s.FBits, static_cast<size_t>(FWidth) * FHeight * 4);
    FTransparent = s.FTransparent;
}

TCanvas& TBitmap::Canvas() {
    if (!FDC) SetSize(0, 0);
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>(FDC);
    return *FCanvas;
}

TColor TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clNone;
    GdiFlush();
    uint32_t p = FBits[static_cast<size_t>(y) * FWidth + x];  // 0x00RRGGBB in memory order B,G,R
    return static_cast<TColor>(((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
}

void TBitmap::SetPixel(int x, int y, TColor c) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
    GdiFlush();
    COLORREF rgb = ColorToRGB(c);
    FBits[static_cast<size_t>(y) * FWidth + x] = (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
}

// ---- frames ----

void Frame3D(TCanvas& canvas, RECT& r, TColor topColor, TColor bottomColor, int width) {
    if (width <= 0) return;
    canvas.Pen.SetWidth(1);
    --r.bottom;
    --r.right;
    for (int i = 0; i < width; ++i) {
        canvas.Pen.SetColor(topColor);
        canvas.MoveTo(r.left, r.bottom);
        canvas.LineTo(r.left, r.top);
        canvas.LineTo(r.right, r.top);
        canvas.Pen.SetColor(bottomColor);
        canvas.LineTo(r.right, r.bottom);
        canvas.LineTo(r.left - 1, r.bottom);
        InflateRect(&r, -1, -1);
    }
    ++r.bottom;
    ++r.right;
}

}  // namespace ui
