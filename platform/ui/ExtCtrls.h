// Timer and panel.
#pragma once
#include "platform/ui/Controls.h"

namespace ui {

// A window-message timer. Enabling an enabled timer, or setting the interval it already has,
// changes nothing; any real change restarts the interval from zero; interval 0 never ticks.
// An exception from OnTimer goes to the application's error display; the timer stays as the
// handler left it.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner = nullptr);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned v);
    TNotifyEvent OnTimer;

private:
    void Update();
    static LRESULT CALLBACK TimerWndProc(HWND, UINT, WPARAM, LPARAM);
    bool FEnabled = true;
    unsigned FInterval = 1000;
    HWND FWindow = nullptr;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TPanelBorderStyle { bsNone, bsSingle };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner = nullptr);

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);
    TPanelBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TPanelBorderStyle v);

    void AdjustClientRect(RECT& r) override;

    // Draws the three nested frames (outer bevel, border in Color, inner bevel) inside r.
    void DrawFrames(TCanvas& canvas, RECT r);

protected:
    void PaintBackground(TCanvas& canvas) override;
    TBevelCut FBevelInner = TBevelCut::bvNone;
    TBevelCut FBevelOuter = TBevelCut::bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TPanelBorderStyle FBorderStyle = TPanelBorderStyle::bsNone;
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};

}  // namespace ui
