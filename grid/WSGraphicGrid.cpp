#include "grid/WSGraphicGrid.h"
#include <mmsystem.h>
#include "platform/ui/Sound.h"
#include <algorithm>
#include <climits>
#include <unordered_set>

using namespace ui;

// ---- the module's pseudo-random generator (PCG32) ----

namespace {
uint64_t gRandState = 0;
constexpr uint64_t kRandIncrement = 1442695040888963407ULL;

uint32_t NextRandom() {
    uint64_t old = gRandState;
    gRandState = old * 6364136223846793005ULL + kRandIncrement;
    uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    uint32_t rot = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

uint32_t LoadTimeSeed() {
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter) && counter.QuadPart != 0) return counter.LowPart;
    return GetTickCount();
}

// Seeds the generator once, when the module is loaded.
struct RandomSeeder {
    RandomSeeder() { RandSeed(LoadTimeSeed()); }
} gRandomSeeder;
}  // namespace

void RandSeed(uint32_t seed) {
    gRandState = 0;
    NextRandom();
    gRandState += seed;
    NextRandom();
}

int Random(int n) {
    if (n <= 0) return 0;
    // Multiply-shift with rejection of the short first interval: exactly uniform.
    uint32_t range = static_cast<uint32_t>(n);
    uint64_t m = static_cast<uint64_t>(NextRandom()) * range;
    uint32_t low = static_cast<uint32_t>(m);
    if (low < range) {
        uint32_t threshold = (0u - range) % range;
        while (low < threshold) {
            m = static_cast<uint64_t>(NextRandom()) * range;
            low = static_cast<uint32_t>(m);
        }
    }
    return static_cast<int>(m >> 32);
}

int RandomOrder(const void*, const void*) { return Random(2); }

// ---- refresh sound ----

TRefreshSound& RefreshSound() {
    static TRefreshSound sound{
        [](const std::wstring& fileName) {
            ui::TSoundThread::Instance().PlayFile(fileName, SND_ASYNC | SND_FILENAME);
        },
        [](unsigned frequency, unsigned durationMs) { ui::TSoundThread::Instance().Beep(frequency, durationMs); },
    };
    return sound;
}

namespace {
bool FileExists(const std::wstring& name) {
    DWORD a = GetFileAttributesW(name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A decimal integer with optional leading blanks and sign; anything else gives def.
int StrToIntDef(const std::wstring& s, int def) {
    size_t i = 0;
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
    if (i >= s.size()) return def;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < L'0' || s[i] > L'9') return def;
        v = v * 10 + (s[i] - L'0');
        if (v > static_cast<long long>(INT_MAX) + 1) return def;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return def;
    return static_cast<int>(v);
}

// Column and row of a route line "column,row"; a missing or non-numeric part is 0.
void ParseRouteLine(const std::wstring& line, int& col, int& row) {
    std::wstring split = line;
    std::replace(split.begin(), split.end(), L',', L'\r');
    TStringList parts;
    parts.SetText(split);
    col = parts.Count() > 0 ? StrToIntDef(parts[0], 0) : 0;
    row = parts.Count() > 1 ? StrToIntDef(parts[1], 0) : 0;
}

void Shuffle(TList<TDrawedInfo>& list) {
    if (!list.Empty()) list.Sort(RandomOrder);
}

// Cells of a rows x cols grid, 0 when either count is below 1 (and never overflowing).
int CellTotal(int rows, int cols) {
    if (rows < 1 || cols < 1) return 0;
    long long n = static_cast<long long>(rows) * cols;
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}
}  // namespace

// ---- TDGridImage ----

TDGridImage::TDGridImage(TComponent* owner) : TBaseGrid(owner) {
    FCurrentCell.Row = -1;
    FCurrentCell.Col = -1;
    FImagesLink.OnDestroyed = [this] {
        FImages = nullptr;
        Invalidate();
    };
}

TDGridImage::~TDGridImage() { ClearCells(); }

int TDGridImage::Intervals() const {
    return static_cast<int>(RefreshTimer().Interval());
}

void TDGridImage::SetIntervals(int v) { RefreshTimer().SetInterval(static_cast<unsigned>(std::max(0, v))); }

void TDGridImage::SetFirstNumberIndex(int v) {
    if (v == FFirstNumberIndex) return;
    FFirstNumberIndex = v;
    RebuildPools();
}

void TDGridImage::SetFirstImageIndex(int v) {
    if (v == FFirstImageIndex) return;
    FFirstImageIndex = v;
    RebuildPools();
}

void TDGridImage::SetFirstTextIndex(int v) {
    if (v == FFirstTextIndex) return;
    FFirstTextIndex = v;
    RebuildPools();
}

void TDGridImage::SetDrawType(TDrawType v) {
    if (v == FDrawType) return;
    FDrawType = v;
    RebuildPools();
    ClearCells();
    Invalidate();
}

void TDGridImage::SetImages(TCustomImageList* v) {
    if (v == FImages) return;
    FImages = v;
    if (v) v->RegisterChanges(FImagesLink);
    else if (FImagesLink.Sender()) FImagesLink.Sender()->UnRegisterChanges(FImagesLink);
    RebuildPools();
    Invalidate();
}

void TDGridImage::SetStrings(const TStrings& v) {
    FStrings.Assign(v);
    RebuildPools();
}

void TDGridImage::SetNumbers(const TStrings& v) {
    FNumbers.Assign(v);
    RebuildPools();
}

void TDGridImage::SetTextAlign(TTextAlign v) {
    if (v == FTextAlign) return;
    FTextAlign = v;
    Invalidate();
}

void TDGridImage::SetFirstDrawCount(int v) {
    if (v == FFirstDrawCount) return;
    FFirstDrawCount = v;
    RebuildPools();
}

void TDGridImage::SetRouteData(const TStrings& v) {
    if (Running()) throw Exception(L"运行时不允许修改坐标信息");
    FRouteData.Assign(v);
}

void TDGridImage::ClearCells() {
    FCellList.Clear();
    FCurrentCell.Row = -1;
    FCurrentCell.Col = -1;
}

// ---- pools and the refresh cycle ----

void TDGridImage::RebuildPools() {
    FDrawList.Clear();
    // Every item once, except the first item, which comes FirstDrawCount times and is drawn first.
    auto build = [this](TList<TDrawedInfo>& pool, int count, int first) {
        for (int i = 0; i < count; ++i)
            if (i != first) pool.AddNew(i);
        for (int k = 0; k < FFirstDrawCount; ++k) pool.AddNew(first);
        Shuffle(pool);
        for (int i = 0; i < pool.Count(); ++i) {
            if (pool[i]->Value == first) {
                pool.Exchange(i, 0);
                break;
            }
        }
    };
    switch (FDrawType) {
        case TDrawType::dtImage:
            FImagePool.Clear();
            if (FImages) build(FImagePool, FImages->Count(), FFirstImageIndex);
            break;
        case TDrawType::dtString:
            FStringPool.Clear();
            build(FStringPool, FStrings.Count(), FFirstTextIndex);
            break;
        case TDrawType::dtNumber:
            FNumberPool.Clear();
            for (int i = 0; i < FNumbers.Count(); ++i) FNumberPool.AddNew(i);
            Shuffle(FNumberPool);
            break;
    }
}

void TDGridImage::FillDrawList() {
    FDrawList.Clear();
    TList<TDrawedInfo>& pool = FDrawType == TDrawType::dtImage    ? FImagePool
                               : FDrawType == TDrawType::dtString ? FStringPool
                                                                  : FNumberPool;
    int n = UsesRoute() ? FRouteData.Count() : CellTotal(RowCount(), ColCount());
    for (int k = 0; k < n; ++k) {
        int value;
        if (!pool.Empty()) {
            value = pool.First()->Value;
            pool.Delete(0);
        } else if (FDrawType == TDrawType::dtImage) {
            value = Random(FImages ? FImages->Count() : 0);
        } else if (FDrawType == TDrawType::dtString) {
            value = Random(FStrings.Count());
        } else {
            // Numbers never repeat: the run shows what it has and ends at the next tick.
            FRunTime = 1;
            return;
        }
        FDrawList.AddNew(value);
    }
}

void TDGridImage::RefreshCells() {
    ClearCells();
    if (FRunCount == FRunTime || (FDrawType == TDrawType::dtNumber && FNumberPool.Empty())) {
        StopRun();
        return;
    }
    FillDrawList();
    ShowRefresh();
    ++FRunCount;
    SoundRefresh();
}

// The refresh's paint is the placement paint, and it must reach the screen before the refresh
// returns: a paint message without an invalid region would draw nothing, so the whole control
// is invalidated and updated at once. A control that cannot be painted now (no window, hidden,
// or nothing of it on screen) still places its items, off-screen, so that its records exist.
void TDGridImage::ShowRefresh() {
    FPainted = false;
    if (HandleAllocated() && IsWindowVisible(FHandle)) {
        InvalidateRect(FHandle, nullptr, FALSE);
        UpdateWindow(FHandle);
    }
    if (!FPainted) ComposePaint();
}

void TDGridImage::SoundRefresh() {
    if (!BeepOnRefresh()) return;
    TRefreshSound& sound = RefreshSound();
    if (UseWaveFile() && !WaveFile().empty() && FileExists(WaveFile())) {
        if (sound.PlayWaveFile) sound.PlayWaveFile(WaveFile());
    } else if (sound.Beep) {
        sound.Beep(800, 100);
    }
}

void TDGridImage::StartRun() {
    FRunCount = 0;
    RebuildPools();
    RefreshTimer().SetEnabled(true);
    FColumnBag.Clear();
    FRowBag.Clear();
    for (int r = 0; r < RowCount(); ++r) FRowBag.AddNew(r);
    for (int c = 0; c < ColCount(); ++c) FColumnBag.AddNew(c);
    Shuffle(FRowBag);
    Shuffle(FColumnBag);
    RefreshCells();
    TBaseGrid::StartRun();
}

bool TDGridImage::StopRun() {
    RefreshTimer().SetEnabled(false);
    FDrawList.Clear();
    FColumnBag.Clear();
    FRowBag.Clear();
    ClearCells();
    Invalidate();
    // All clean-up is done: the handler may start the next run.
    return TBaseGrid::StopRun();
}

void TDGridImage::PauseRun() {
    RefreshTimer().SetEnabled(false);
    TBaseGrid::PauseRun();
}

void TDGridImage::ResumeRun() {
    RefreshTimer().SetEnabled(true);
    TBaseGrid::ResumeRun();
}

// ---- placement and painting ----

void TDGridImage::DrawCells(TCanvas& Canvas) {
    FPainted = true;
    if (RowCount() < 1 || ColCount() < 1) return;  // no cells: nothing drawn, nothing recorded
    if (UsesRoute()) DrawRouteCells(Canvas);
    else DrawGridCells(Canvas);
}

int TDGridImage::TakeFromBag(TList<TDrawedInfo>& bag, int range) {
    if (bag.Empty()) return Random(range);
    int i = Random(bag.Count());
    int v = bag[i]->Value;
    bag.Delete(i);
    return v;
}

void TDGridImage::DrawGridCells(TCanvas& Canvas) {
    SetBkMode(Canvas.Handle(), TRANSPARENT);
    TBitmap scratch;
    int positions = CellTotal(RowCount(), ColCount());
    if (!FCellList.Empty()) {
        // Repaint: the same items in the same cells, at the cells' current rectangles.
        int n = std::min(FCellList.Count(), positions);
        for (int i = 0; i < n; ++i) {
            TMouserOverData& cell = *FCellList[i];
            cell.CellRect = GetCellRect(cell.Row, cell.Col);
            DrawContent(Canvas, cell, false, scratch);
        }
        return;
    }
    if (FDrawList.Empty()) return;
    // Placement paint. Numbers go to random free cells: while the bags last, every number of
    // the run gets a row and a column not given out before; after that, uniform retries.
    std::unordered_set<uint64_t> used;
    FPlacementRetries = 0;
    int count = std::min(FDrawList.Count(), positions);
    if (FDrawType == TDrawType::dtNumber) used.reserve(static_cast<size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        TMouserOverData& cell = *FCellList.AddNew();
        int row, col;
        if (FDrawType == TDrawType::dtNumber) {
            for (;;) {
                col = TakeFromBag(FColumnBag, ColCount());
                row = TakeFromBag(FRowBag, RowCount());
                uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(row)) << 32) | static_cast<uint32_t>(col);
                if (used.insert(key).second) break;
                ++FPlacementRetries;
            }
        } else {
            row = i / ColCount();
            col = i % ColCount();
        }
        cell.Row = row;
        cell.Col = col;
        cell.CellRect = GetCellRect(row, col);
        cell.ItemIndex = FDrawList[i]->Value;
        DrawContent(Canvas, cell, true, scratch);
    }
}

void TDGridImage::DrawRouteCells(TCanvas& Canvas) {
    SetBkMode(Canvas.Handle(), TRANSPARENT);
    TBitmap scratch;
    if (!FCellList.Empty()) {
        for (int i = 0; i < FCellList.Count(); ++i) {
            TMouserOverData& cell = *FCellList[i];
            cell.CellRect = GetCellRect(cell.Row, cell.Col);
            DrawContent(Canvas, cell, false, scratch);
        }
        return;
    }
    if (FDrawList.Empty()) return;
    // One item per route line; lines added after the draw list was filled get none.
    int count = std::min(FRouteData.Count(), FDrawList.Count());
    for (int i = 0; i < count; ++i) {
        TMouserOverData& cell = *FCellList.AddNew();
        int col, row;
        ParseRouteLine(FRouteData[i], col, row);
        cell.Row = row;
        cell.Col = col;
        cell.CellRect = GetCellRect(row, col);
        cell.ItemIndex = FDrawList[i]->Value;
        DrawContent(Canvas, cell, true, scratch);
    }
}

void TDGridImage::DrawContent(TCanvas& Canvas, TMouserOverData& cell, bool placement, TBitmap& scratch) {
    const RECT& r = cell.CellRect;
    if (FDrawType == TDrawType::dtImage) {
        // An index outside the list shows nothing.
        if (!FImages || FImages->Count() == 0 || !FImages->GetBitmap(cell.ItemIndex, scratch)) return;
        scratch.SetTransparent(ImageTransparent());
        if (ImageAutoSize()) {
            Canvas.StretchDraw(r, scratch);
            return;
        }
        int x, y;
        switch (ImageAlign()) {
            case TImageAlign::iaLeft: x = r.left; y = r.top; break;
            case TImageAlign::iaRight: x = r.right - scratch.Width(); y = r.top; break;
            default:
                // Halves kept, then truncated toward zero (not rounded).
                x = static_cast<int>(r.left + (r.right - r.left) / 2.0 - scratch.Width() / 2.0);
                y = static_cast<int>(r.top + (r.bottom - r.top) / 2.0 - scratch.Height() / 2.0);
                break;
        }
        HDC dc = Canvas.Handle();
        GdiObject<HRGN> clip(CreateRectRgnIndirect(&r));
        SelectClipRgn(dc, clip.Get());
        Canvas.Draw(x, y, scratch);
        SelectClipRgn(dc, nullptr);
        return;
    }
    const TStrings& list = FDrawType == TDrawType::dtString ? FStrings : FNumbers;
    if (list.Count() == 0) return;
    std::wstring text;
    if (!placement) text = cell.Text;
    else if (cell.ItemIndex >= 0 && cell.ItemIndex < list.Count()) text = list[cell.ItemIndex];
    cell.Text = text;
    if (text.empty()) return;
    RECT measure{0, 0, 0, 0};
    Canvas.DrawText(text, measure, DT_CALCRECT);
    RECT d = r;
    UINT format = FTextAlign == TTextAlign::taRight ? DT_RIGHT : DT_LEFT;
    if (FTextAlign == TTextAlign::taCenter) {
        d.left = static_cast<int>(r.left + (r.right - r.left) / 2.0 - measure.right / 2.0);
        d.top = static_cast<int>(r.top + (r.bottom - r.top) / 2.0 - measure.bottom / 2.0);
        format = DT_LEFT;
    }
    Canvas.DrawText(text, d, format | DT_END_ELLIPSIS);
}

// ---- hit testing and cell events ----

const TMouserOverData* TDGridImage::HitTest(int x, int y) const {
    for (int i = 0; i < FCellList.Count(); ++i) {
        const TMouserOverData* c = FCellList[i];
        const RECT& r = c->CellRect;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return c;
    }
    return nullptr;
}

void TDGridImage::MouseMove(TShiftState shift, int x, int y) {
    TBaseGrid::MouseMove(shift, x, y);
    if (FCellList.Empty()) return;
    const TMouserOverData* hit = HitTest(x, y);
    if (!hit) {
        FCurrentCell.Row = -1;
        FCurrentCell.Col = -1;
        return;
    }
    if (hit->Row == FCurrentCell.Row && hit->Col == FCurrentCell.Col) return;
    // The entered record is copied before any handler runs.
    TMouserOverData entered = *hit;
    if (FCurrentCell.Row != -1 && FCurrentCell.Col != -1 && OnCellMouseLeave) OnCellMouseLeave(this, FCurrentCell);
    if (OnCellMouseOver) OnCellMouseOver(this, entered);
    FCurrentCell = std::move(entered);
}

void TDGridImage::MouseLeave() {
    if (FCurrentCell.Row == -1 || FCurrentCell.Col == -1) return;
    TMouserOverData left = FCurrentCell;
    FCurrentCell.Row = -1;
    FCurrentCell.Col = -1;
    if (OnCellMouseLeave) OnCellMouseLeave(this, std::move(left));
}

void TDGridImage::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseGrid::MouseDown(button, shift, x, y);
    if (FCellList.Empty()) return;
    const TMouserOverData* hit = HitTest(x, y);
    if (!hit) return;
    FCurrentCell = *hit;
    // The handler gets its own copy and may end the run; nothing is touched after it.
    if (OnCellClick) OnCellClick(this, FCurrentCell);
}
