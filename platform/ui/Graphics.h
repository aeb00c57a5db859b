// GDI wrappers: font, brush and pen descriptions that own their handles, a canvas over any DC
// that selects what it needs and restores the DC when it lets go, and an off-screen 32-bit bitmap.
#pragma once
#include "platform/ui/Types.h"
#include "platform/Exception.h"
#include <cstdint>
#include <memory>

namespace ui {

// Owns one GDI object; never copied.
template <class H>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H h) : FHandle(h) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& o) noexcept : FHandle(o.FHandle) { o.FHandle = nullptr; }
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) { Reset(); FHandle = o.FHandle; o.FHandle = nullptr; }
        return *this;
    }
    ~GdiObject() { Reset(); }
    void Reset(H h = nullptr) {
        if (FHandle) DeleteObject(FHandle);
        FHandle = h;
    }
    H Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

private:
    H FHandle = nullptr;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// Logical pixels per inch of the user interface: the layout is in pixels and is not scaled.
constexpr int PixelsPerInch = 96;

class TFont {
public:
    TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    void Assign(const TFont& source);  // name, height, colour, style, charset

    const std::wstring& Name() const { return FName; }
    void SetName(const std::wstring& v);
    // Height in pixels: negative is the character height (as "48 pixels"), positive the cell height.
    int Height() const { return FHeight; }
    void SetHeight(int v);
    // Size in points at PixelsPerInch; setting it sets Height to -Size*96/72.
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles v);
    BYTE Charset() const { return FCharset; }
    void SetCharset(BYTE v);
    // Font quality: anti-aliased texts ask for it.
    void SetQuality(BYTE q);

    HFONT Handle() const;  // created on demand, cached until a change
    unsigned Version() const { return FVersion; }
    std::function<void()> OnChange;

private:
    void Changed();
    std::wstring FName = L"宋体";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    BYTE FCharset = DEFAULT_CHARSET;
    BYTE FQuality = DEFAULT_QUALITY;
    unsigned FVersion = 1;
    mutable GdiObject<HFONT> FHandle;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle v);
    void Assign(const TBrush& b) { SetColor(b.FColor); SetStyle(b.FStyle); }
    HBRUSH Handle() const;
    unsigned Version() const { return FVersion; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = TBrushStyle::bsSolid;
    unsigned FVersion = 1;
    mutable GdiObject<HBRUSH> FHandle;
};

class TPen {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    int Width() const { return FWidth; }
    void SetWidth(int v);
    void Assign(const TPen& p) { SetColor(p.FColor); SetWidth(p.FWidth); }
    HPEN Handle() const;
    unsigned Version() const { return FVersion; }

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    unsigned FVersion = 1;
    mutable GdiObject<HPEN> FHandle;
};

class TBitmap;

// Draws on a DC it does not own. The DC's original objects are put back when the canvas lets go
// of it (SetHandle or destruction), before any of the canvas's own objects can be deleted.
class TCanvas {
public:
    explicit TCanvas(HDC dc = nullptr) : FHandle(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    virtual ~TCanvas() { Deselect(); }

    HDC Handle() const { return FHandle; }
    void SetHandle(HDC dc);

    TFont Font;
    TBrush Brush;
    TPen Pen;

    void FillRect(const RECT& r);                  // with the brush, no outline
    void Rectangle(int l, int t, int r, int b);    // pen outline, brush inside
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const std::wstring& text);
    SIZE TextExtent(const std::wstring& text);
    int DrawText(const std::wstring& text, RECT& r, UINT format);  // the system's DrawTextW
    void Draw(int x, int y, const TBitmap& bmp);   // honours bmp.Transparent()
    void StretchDraw(const RECT& r, const TBitmap& bmp);
    // Makes the selected objects current; call before drawing on Handle() directly.
    void Realize() { Select(true, true, true); }

private:
    void Select(bool font, bool brush, bool pen);
    void Deselect();
    HDC FHandle = nullptr;
    HGDIOBJ FOldFont = nullptr, FOldBrush = nullptr, FOldPen = nullptr;
    unsigned FFontVersion = 0, FBrushVersion = 0, FPenVersion = 0;
};

// Off-screen 32-bit top-down DIB with its own memory DC and canvas.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height) { SetSize(width, height); }
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    ~TBitmap();

    void SetSize(int width, int height);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth <= 0 || FHeight <= 0; }
    void Assign(const TBitmap& source);  // copies size, pixels and transparency

    TCanvas& Canvas();
    HBITMAP Handle() const { return FBitmap.Get(); }
    HDC DC() const { return FDC; }

    // Pixel access for drawing code and tests: $00BBGGRR like TColor.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v) { FTransparent = v; }
    // The colour left out when drawn transparent: the bottom-left pixel.
    TColor TransparentColor() const { return Empty() ? clNone : Pixel(0, FHeight - 1); }

private:
    void Release();
    int FWidth = 0, FHeight = 0;
    uint32_t* FBits = nullptr;
    GdiObject<HBITMAP> FBitmap;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    bool FTransparent = false;
};

// Draws a three-dimensional frame of width W inside R (top/left in T, bottom/right in B) and
// shrinks R by W: the classic panel frame, also used by the grid.
void Frame3D(TCanvas& canvas, RECT& r, TColor topColor, TColor bottomColor, int width);

}  // namespace ui
