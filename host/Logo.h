// The maker's logo of the start page, drawn in code so that no picture file has to be shipped.
#pragma once
#include "platform/ui/Graphics.h"

namespace host {
// Paints the logo into bmp at the given size (transparent background colour = bottom-left pixel).
void DrawLogo(ui::TBitmap& bmp, int width, int height);
}
