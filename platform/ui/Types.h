// Basic types of the window layer: colours, shift states, events, the object root.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace ui {

class TObject {
public:
    virtual ~TObject() = default;
};

// Colours are $00BBGGRR, as COLORREF. System colours carry the high bit and a COLOR_* index.
using TColor = long;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000);
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clNone = 0x1FFFFFFF;

inline COLORREF ColorToRGB(TColor c) {
    if (c & clSystemColor) return GetSysColor(c & 0xFF);
    return static_cast<COLORREF>(c & 0xFFFFFF);
}

enum TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Cursor numbers as the application uses them; crHandPoint is the hand pointer.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crHandPoint = -21;
HCURSOR CursorHandle(TCursor c);

inline RECT Rect(int l, int t, int r, int b) { return RECT{l, t, r, b}; }

}  // namespace ui
