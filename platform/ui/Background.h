// A background control: a colour gradient with an optional picture on top of it.
#pragma once
#include "platform/ui/Controls.h"

namespace ui {

enum class TGradientStyle {
    gdHorizontal,    // start colour at the left, end colour at the right
    gdVertical,      // start colour at the top, end colour at the bottom
    gdBigSquareBox,  // concentric rectangles: start colour at the edges, end colour in the centre
};

class TGradientBackground : public TGraphicControl {
public:
    explicit TGradientBackground(TComponent* owner = nullptr);
    TGradientStyle GradientStyle() const { return FStyle; }
    void SetGradientStyle(TGradientStyle s) { FStyle = s; Invalidate(); }
    TColor StartColor() const { return FStartColor; }
    TColor EndColor() const { return FEndColor; }
    void SetColors(TColor start, TColor end) { FStartColor = start; FEndColor = end; Invalidate(); }
    bool ShowGradient() const { return FShowGradient; }
    void SetShowGradient(bool v) { FShowGradient = v; Invalidate(); }
    // The picture drawn over the gradient, stretched to the control when Stretch is on.
    TBitmap& Picture() { return FPicture; }
    bool Stretch = true;
    void Paint(TCanvas& canvas) override;

    // Colour i of n steps between the two colours (0 = start, n-1 = end).
    static TColor Step(TColor start, TColor end, int i, int n);

private:
    TGradientStyle FStyle = TGradientStyle::gdVertical;
    TColor FStartColor = clWhite;
    TColor FEndColor = clBlack;
    bool FShowGradient = true;
    TBitmap FPicture;
};

}  // namespace ui
