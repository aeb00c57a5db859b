#include "host/Logo.h"

namespace host {

void DrawLogo(ui::TBitmap& bmp, int width, int height) {
    bmp.SetSize(width, height);
    ui::TCanvas& c = bmp.Canvas();
    // Magenta background: left out when the picture is drawn transparent over the gradient.
    const ui::TColor key = 0xFF00FF;
    c.Brush.SetColor(key);
    RECT all{0, 0, width, height};
    c.FillRect(all);

    // A small 3 x 3 table as the mark, then the name.
    int cell = height / 4;
    int x0 = height / 8, y0 = (height - 3 * cell) / 2;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) {
            c.Brush.SetColor((r + k) % 2 ? 0xC08000 : 0x00C0FF);
            RECT cr{x0 + k * cell, y0 + r * cell, x0 + (k + 1) * cell - 1, y0 + (r + 1) * cell - 1};
            c.FillRect(cr);
        }
    c.Font.SetName(L"Arial");
    c.Font.SetHeight(-(height * 11 / 20));
    c.Font.SetStyle(ui::fsBold | ui::fsItalic);
    c.Font.SetColor(ui::clWhite);
    c.Font.SetQuality(NONANTIALIASED_QUALITY);  // crisp edges against the key colour
    SetBkMode(c.Handle(), TRANSPARENT);
    RECT tr{x0 + 3 * cell + height / 8, 0, width, height};
    c.DrawText(L"Lernova", tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    bmp.SetTransparent(true);
}

}  // namespace host
