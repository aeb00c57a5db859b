// The timed grid that shows images, strings or numbers picked at random from shuffled pools,
// refreshes them on its timer for RunTime refreshes, records every drawn cell, and reports
// the pointer entering, leaving and clicking those cells.
#pragma once
#include "grid/WSBaseControl.h"
#include <cstdint>

// The record of one drawn cell, handed by value with every cell event.
struct TMouserOverData {
    RECT CellRect{0, 0, 0, 0};  // client pixels at the latest paint; Right, Bottom exclusive
    int Row = 0;                // -1 in the current cell means: no current cell
    int Col = 0;
    int ItemIndex = 0;          // index into Images, Strings or Numbers
    std::wstring Text;          // the text drawn; empty for images and empty lists
};

using TDrawGridMouseEvent = std::function<void(ui::TObject* Sender, TMouserOverData CurrentData)>;

// The module's one pseudo-random generator, seeded once at load from the performance counter
// (the tick count where there is none). Random(n) is uniform in 0..n-1; n <= 0 gives 0.
int Random(int n);
// Restarts the generator from seed: the same seed gives the same sequence (tests use it).
void RandSeed(uint32_t seed);

// The shuffle's comparison: ignores both items and answers 0 or 1 at random, never negative.
int RandomOrder(const void* item1, const void* item2);

// Where the refresh sound goes. Tests replace the two functions to see what was asked for.
struct TRefreshSound {
    // Starts playing a wave file asynchronously.
    std::function<void(const std::wstring& fileName)> PlayWaveFile;
    // The system beep (blocks for its duration).
    std::function<void(unsigned frequency, unsigned durationMs)> Beep;
};
TRefreshSound& RefreshSound();

class TDGridImage : public TBaseGrid {
public:
    explicit TDGridImage(ui::TComponent* owner = nullptr);
    ~TDGridImage() override;

    // Interval of the refresh timer in milliseconds; 0 never ticks (a negative value counts as 0).
    int Intervals() const;
    void SetIntervals(int v);

    int FirstNumberIndex() const { return FFirstNumberIndex; }
    void SetFirstNumberIndex(int v);
    int FirstImageIndex() const { return FFirstImageIndex; }
    void SetFirstImageIndex(int v);
    int FirstTextIndex() const { return FFirstTextIndex; }
    void SetFirstTextIndex(int v);
    TDrawType DrawType() const { return FDrawType; }
    void SetDrawType(TDrawType v);
    // Referenced, not owned. The grid forgets a list that is destroyed while assigned.
    ui::TCustomImageList* Images() const { return FImages; }
    void SetImages(ui::TCustomImageList* v);
    // The grid's own lists: the setters copy the lines in and rebuild the pool; changes made
    // through the returned reference take effect at the next StartRun.
    ui::TStrings& Strings() { return FStrings; }
    void SetStrings(const ui::TStrings& v);
    ui::TStrings& Numbers() { return FNumbers; }
    void SetNumbers(const ui::TStrings& v);
    TTextAlign TextAlign() const { return FTextAlign; }
    void SetTextAlign(TTextAlign v);
    int FirstDrawCount() const { return FFirstDrawCount; }
    void SetFirstDrawCount(int v);
    int RunTime() const { return FRunTime; }
    void SetRunTime(int v) { FRunTime = v; }
    // Cell coordinates "column,row", one per line. Assigning while running raises Exception.
    ui::TStrings& RouteData() { return FRouteData; }
    void SetRouteData(const ui::TStrings& v);

    TDrawGridMouseEvent OnCellMouseOver;
    TDrawGridMouseEvent OnCellMouseLeave;
    TDrawGridMouseEvent OnCellClick;

    // Forgets every drawn cell and the current cell, without an event.
    void ClearCells();

    // What has been drawn: the records of the current refresh in placement order, the cell
    // last entered or clicked, and the refreshes since the last StartRun.
    int CellCount() const { return FCellList.Count(); }
    const TMouserOverData& Cells(int i) const { return *FCellList.Items(i); }
    const TMouserOverData& CurrentCell() const { return FCurrentCell; }
    int RunCount() const { return FRunCount; }
    // Retried (column, row) draws of the latest number placement: how far it was from linear.
    int PlacementRetries() const { return FPlacementRetries; }

    void StartRun() override;
    bool StopRun() override;
    void ResumeRun() override;
    void PauseRun() override;

    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseLeave() override;

protected:
    void RowCountChanged() override { RebuildPools(); }
    void ColCountChanged() override { RebuildPools(); }
    void DrawCells(ui::TCanvas& Canvas) override;
    void RefreshCells() override;

private:
    void RebuildPools();
    void FillDrawList();
    bool UsesRoute() const { return FRouteData.Count() > 0 && FDrawType != TDrawType::dtNumber; }
    void DrawGridCells(ui::TCanvas& Canvas);
    void DrawRouteCells(ui::TCanvas& Canvas);
    void DrawContent(ui::TCanvas& Canvas, TMouserOverData& cell, bool placement, ui::TBitmap& scratch);
    void ShowRefresh();
    void SoundRefresh();
    int TakeFromBag(ui::TList<TDrawedInfo>& bag, int range);
    const TMouserOverData* HitTest(int x, int y) const;

    ui::TList<TDrawedInfo> FImagePool;
    ui::TList<TDrawedInfo> FStringPool;
    ui::TList<TDrawedInfo> FNumberPool;
    ui::TList<TDrawedInfo> FDrawList;
    ui::TList<TDrawedInfo> FRowBag;
    ui::TList<TDrawedInfo> FColumnBag;
    ui::TList<TMouserOverData> FCellList;
    TMouserOverData FCurrentCell;
    int FRunCount = 0;
    int FRunTime = 1;
    int FFirstNumberIndex = -1;
    int FFirstImageIndex = -1;
    int FFirstTextIndex = -1;
    int FFirstDrawCount = 0;
    TDrawType FDrawType = TDrawType::dtImage;
    TTextAlign FTextAlign = TTextAlign::taLeft;
    ui::TCustomImageList* FImages = nullptr;
    ui::TChangeLink FImagesLink;
    ui::TStringList FStrings;
    ui::TStringList FNumbers;
    ui::TStringList FRouteData;
    int FPlacementRetries = 0;
    bool FPainted = false;
};
