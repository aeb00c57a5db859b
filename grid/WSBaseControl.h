// The timed grid base: a panel whose cell area (inside its bevels and border) is cut into
// RowCount x ColCount equal cells. It paints itself off-screen in one piece (background, the
// cells of a derived class, the frames) and owns the refresh timer and the run operations.
#pragma once
#include "platform/ui/Classes.h"
#include "platform/ui/ExtCtrls.h"
#include <functional>
#include <memory>
#include <string>

enum class TDrawType { dtImage, dtString, dtNumber };
enum class TTextAlign { taLeft, taRight, taCenter };
enum class TImageAlign { iaLeft, iaRight, iaCenter };

// OnStop: SelfFree comes in False; whatever the handler leaves in it is StopRun's result.
using TWSControlEvent = std::function<void(ui::TObject* sender, bool& SelfFree)>;

// One integer: an item index, a row or a column number in the grid's lists.
class TDrawedInfo : public ui::TObject {
public:
    TDrawedInfo() = default;
    explicit TDrawedInfo(int value) : Value(value) {}
    int Value = 0;
};

class TBaseGrid : public ui::TCustomPanel {
public:
    explicit TBaseGrid(ui::TComponent* owner = nullptr);
    ~TBaseGrid() override;

    // Sound settings; a derived grid acts on them at each refresh.
    bool UseWaveFile() const { return FUseWaveFile; }
    void SetUseWaveFile(bool v) { FUseWaveFile = v; }
    const std::wstring& WaveFile() const { return FWaveFile; }
    void SetWaveFile(const std::wstring& v) { FWaveFile = v; }
    bool BeepOnRefresh() const { return FBeepOnRefresh; }
    void SetBeepOnRefresh(bool v) { FBeepOnRefresh = v; }

    // Background picture: copied in, and the control repaints every time it is assigned.
    ui::TPicture& Picture() { return FPicture; }
    const ui::TPicture& Picture() const { return FPicture; }
    void SetPicture(const ui::TPicture& v);
    bool StretchBackground() const { return FStretchBackground; }
    void SetStretchBackground(bool v);

    bool ImageAutoSize() const { return FImageAutoSize; }
    void SetImageAutoSize(bool v);
    TImageAlign ImageAlign() const { return FImageAlign; }
    void SetImageAlign(TImageAlign v);
    bool ImageTransparent() const { return FImageTransparent; }
    void SetImageTransparent(bool v);

    // A count below 1 means no cells at all.
    int RowCount() const { return FRowCount; }
    void SetRowCount(int v);
    int ColCount() const { return FColCount; }
    void SetColCount(int v);

    ui::TNotifyEvent OnStart;
    TWSControlEvent OnStop;
    ui::TNotifyEvent OnPause;
    ui::TNotifyEvent OnResume;

    // The client rectangle less border and bevels: where the cells lie.
    void GetCellArea(RECT& r);
    void AdjustClientRect(RECT& r) override { GetCellArea(r); }
    // Cell (Row, Col), counted from 0, in client pixels; Right and Bottom are exclusive. With a
    // count below 1 the rectangle is empty (at the cell area's top-left corner).
    RECT GetCellRect(int Row, int Col);

    // True while the refresh timer is enabled, that is while a run is in progress.
    bool Running() const { return FRefreshTimer->Enabled(); }

    // Tick handler of the refresh timer: refreshes unless the control is being designed.
    void TimerFired(ui::TObject* Sender);

    // Run control. The base only raises the events (StopRun also disables the timer and
    // returns the SelfFree that OnStop left).
    virtual void StartRun();
    virtual bool StopRun();
    virtual void ResumeRun();
    virtual void PauseRun();

protected:
    virtual void RowCountChanged() {}
    virtual void ColCountChanged() {}
    // Paints the cells onto the off-screen canvas, after the background, before the frames.
    virtual void DrawCells(ui::TCanvas& Canvas) { (void)Canvas; }
    // One refresh; called at every tick of the refresh timer.
    virtual void RefreshCells() {}

    // Composes the whole control (background, cells, frames) off-screen and returns the
    // bitmap (Width x Height). Every pixel is painted afresh at every call.
    ui::TBitmap& ComposePaint();
    void PaintWindow(HDC dc, const RECT& updateRect) override;

    ui::TTimer& RefreshTimer() { return *FRefreshTimer; }
    const ui::TTimer& RefreshTimer() const { return *FRefreshTimer; }

private:
    void PaintGridBackground(ui::TCanvas& canvas, const RECT& client);

    bool FUseWaveFile = false;
    std::wstring FWaveFile;
    ui::TPicture FPicture;
    bool FStretchBackground = true;
    bool FBeepOnRefresh = false;
    bool FImageAutoSize = false;
    TImageAlign FImageAlign = TImageAlign::iaLeft;
    int FRowCount = 1;
    int FColCount = 1;
    bool FImageTransparent = true;
    std::unique_ptr<ui::TTimer> FRefreshTimer;
    // The off-screen bitmap, kept while the size stays: a fresh full-window bitmap per paint
    // spends most of the paint on first-touch page faults of its memory.
    ui::TBitmap FBuffer;
};
