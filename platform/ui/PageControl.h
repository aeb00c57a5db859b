// A page control: pages stacked in one client area, one of them shown. Each page may show a tab
// in a strip along the top; with every tab hidden the pages take the whole control.
#pragma once
#include "platform/ui/Controls.h"

namespace ui {

class TPageControl;

class TTabSheet : public TCustomControl {
public:
    explicit TTabSheet(TComponent* owner = nullptr);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return FPageControl; }
    // Puts the page into a page control (null takes it out); the page becomes its last page.
    void SetPageControl(TPageControl* pc);
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& c);
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool v);

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    std::wstring FCaption;
    bool FTabVisible = true;
};

class TPageControl : public TCustomControl {
public:
    explicit TPageControl(TComponent* owner = nullptr);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int i) const { return FPages.at(static_cast<size_t>(i)); }
    TTabSheet* ActivePage() const { return FActivePage; }
    // Shows page (one of ours) and hides the one shown before; null shows none.
    void SetActivePage(TTabSheet* page);
    // Height of the tab strip: 0 while every tab is hidden.
    int TabHeight() const;

    void AdjustClientRect(RECT& r) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    TNotifyEvent OnChange;

protected:
    void PaintBackground(TCanvas& canvas) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void TabsChanged();
    // The tab rectangles of the visible tabs, in page order (empty rectangles for hidden ones).
    std::vector<RECT> TabRects();
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
};

}  // namespace ui
