#include "platform/ui/PageControl.h"
#include <algorithm>

namespace ui {

namespace {
constexpr int kTabStripHeight = 22;
constexpr int kTabPadding = 12;
}  // namespace

// ----- TTabSheet ----------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TCustomControl(owner) {
    FVisible = false;  // shown when it becomes the active page
    SetAlign(TAlign::alClient);
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    if (pc == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    if (pc) pc->InsertPage(this);
}

void TTabSheet::SetCaption(const std::wstring& c) {
    if (c == FCaption) return;
    FCaption = c;
    if (FPageControl) FPageControl->TabsChanged();
}

void TTabSheet::SetTabVisible(bool v) {
    if (v == FTabVisible) return;
    FTabVisible = v;
    if (FPageControl) FPageControl->TabsChanged();
}

// ----- TPageControl -------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TCustomControl(owner) {}

TPageControl::~TPageControl() {
    // Pages that outlive us (owned elsewhere) forget us; our window goes with the base.
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    FPages.push_back(page);
    page->FPageControl = this;
    page->SetParent(this);
    if (!FActivePage) SetActivePage(page);
    else page->SetVisible(false);
    TabsChanged();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end()) return;
    size_t index = static_cast<size_t>(it - FPages.begin());
    FPages.erase(it);
    page->FPageControl = nullptr;
    page->SetParent(nullptr);
    if (FActivePage == page) {
        FActivePage = nullptr;
        if (!FPages.empty()) SetActivePage(FPages[std::min(index, FPages.size() - 1)]);
    }
    TabsChanged();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->FPageControl != this) return;
    if (page == FActivePage) return;
    TTabSheet* old = FActivePage;
    FActivePage = page;
    if (page) {
        // Lay the page out before it shows, so it never appears with stale bounds.
        RECT r = ClientRect();
        AdjustClientRect(r);
        page->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
        page->SetVisible(true);
        if (page->HandleAllocated()) SetWindowPos(page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (old) old->SetVisible(false);
    if (TabHeight() > 0) Invalidate();
    if (OnChange) OnChange(this);
}

int TPageControl::TabHeight() const {
    for (TTabSheet* p : FPages)
        if (p->TabVisible()) return kTabStripHeight;
    return 0;
}

void TPageControl::AdjustClientRect(RECT& r) { r.top += TabHeight(); }

void TPageControl::TabsChanged() {
    Realign();
    Invalidate();
}

std::vector<RECT> TPageControl::TabRects() {
    std::vector<RECT> rects;
    int x = 2;
    HDC dc = GetDC(nullptr);
    {
        TCanvas canvas(dc);
        canvas.Font.Assign(Font());
        for (TTabSheet* p : FPages) {
            if (!p->TabVisible()) {
                rects.push_back(RECT{0, 0, 0, 0});
                continue;
            }
            int w = canvas.TextExtent(p->Caption()).cx + 2 * kTabPadding;
            rects.push_back(RECT{x, 0, x + w, kTabStripHeight});
            x += w;
        }
    }
    ReleaseDC(nullptr, dc);
    return rects;
}

void TPageControl::PaintBackground(TCanvas& canvas) {
    TCustomControl::PaintBackground(canvas);
    if (TabHeight() == 0) return;
    std::vector<RECT> rects = TabRects();
    canvas.Font.Assign(Font());
    for (size_t i = 0; i < FPages.size(); ++i) {
        RECT r = rects[i];
        if (r.right <= r.left) continue;
        canvas.Brush.SetColor(FPages[i] == FActivePage ? clWhite : Color());
        canvas.Rectangle(r);
        std::wstring caption = FPages[i]->Caption();
        canvas.DrawText(caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft || y >= TabHeight()) return;
    std::vector<RECT> rects = TabRects();
    for (size_t i = 0; i < FPages.size(); ++i) {
        POINT pt{x, y};
        if (PtInRect(&rects[i], pt)) {
            SetActivePage(FPages[i]);
            return;
        }
    }
}

}  // namespace ui
