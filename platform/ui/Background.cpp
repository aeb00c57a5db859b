#include "platform/ui/Background.h"
#include <algorithm>

namespace ui {

TGradientBackground::TGradientBackground(TComponent* owner) : TGraphicControl(owner) {
    FTransparent = false;
}

TColor TGradientBackground::Step(TColor start, TColor end, int i, int n) {
    COLORREF a = ColorToRGB(start), b = ColorToRGB(end);
    if (n <= 1) return static_cast<TColor>(a);
    auto mix = [&](int x, int y) { return x + (y - x) * i / (n - 1); };
    return static_cast<TColor>(RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                                   mix(GetBValue(a), GetBValue(b))));
}

void TGradientBackground::Paint(TCanvas& canvas) {
    RECT all{0, 0, FWidth, FHeight};
    if (!FShowGradient) {
        canvas.Brush.SetColor(FColor);
        canvas.FillRect(all);
    } else if (FStyle == TGradientStyle::gdBigSquareBox) {
        // Rings from the edge inwards, each one step closer to the end colour.
        int rings = std::max(1, std::min(FWidth, FHeight) / 2);
        int steps = std::min(rings, 128);
        for (int s = 0; s < steps; ++s) {
            int inset = s * rings / steps;
            // Insets keep the box's aspect: horizontal and vertical inset scale with the sides.
            int dx = static_cast<int>(static_cast<long long>(inset) * FWidth / (2 * rings));
            int dy = static_cast<int>(static_cast<long long>(inset) * FHeight / (2 * rings));
            RECT r{dx, dy, FWidth - dx, FHeight - dy};
            if (r.right <= r.left || r.bottom <= r.top) break;
            canvas.Brush.SetColor(Step(FStartColor, FEndColor, s, steps));
            canvas.FillRect(r);
        }
    } else {
        bool horizontal = FStyle == TGradientStyle::gdHorizontal;
        int length = horizontal ? FWidth : FHeight;
        int steps = std::max(1, std::min(length, 256));
        for (int s = 0; s < steps; ++s) {
            int from = s * length / steps, to = (s + 1) * length / steps;
            RECT r = horizontal ? RECT{from, 0, to, FHeight} : RECT{0, from, FWidth, to};
            canvas.Brush.SetColor(Step(FStartColor, FEndColor, s, steps));
            canvas.FillRect(r);
        }
    }
    if (!FPicture.Empty()) {
        if (Stretch) canvas.StretchDraw(all, FPicture);
        else canvas.Draw(0, 0, FPicture);
    }
}

}  // namespace ui
