// The timed grid in real windows: cell arithmetic and frames read back as pixels, pools and
// refreshes driven by the real timer, placement statistics over many seeds, painting of texts
// and images, and the cell events from real mouse messages.
#include <gtest/gtest.h>
#include "grid/WSGraphicGrid.h"
#include "platform/ui/Forms.h"
#include "tests/support/Pump.h"
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace ui;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

constexpr TColor kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kMagenta = 0xFF00FF;
constexpr TColor kBack = 0x336699;

std::unique_ptr<TBitmap> Solid(int w, int h, TColor c) {
    auto b = std::make_unique<TBitmap>(w, h);
    b->Canvas().Brush.SetColor(c);
    RECT r{0, 0, w, h};
    b->Canvas().FillRect(r);
    return b;
}

// What the control composes (its paint code, run into a bitmap).
std::unique_ptr<TBitmap> Composed(TWinControl& w) {
    auto b = std::make_unique<TBitmap>(w.Width(), w.Height());
    SendMessageW(w.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(b->DC()), PRF_CLIENT);
    return b;
}

// What really is in the window on screen.
std::unique_ptr<TBitmap> OnScreen(HWND h, int w, int hgt) {
    auto b = std::make_unique<TBitmap>(w, hgt);
    HDC dc = GetDC(h);
    BitBlt(b->DC(), 0, 0, w, hgt, dc, 0, 0, SRCCOPY);
    ReleaseDC(h, dc);
    return b;
}

TStringList Lines(int n, int from = 0) {
    TStringList s;
    for (int i = 0; i < n; ++i) s.Add(std::to_wstring(from + i));
    return s;
}

std::string Key(const TMouserOverData& d) { return std::to_string(d.Row) + "," + std::to_string(d.Col); }

// A grid on a borderless top-level form at a fixed place of the screen; the pointer is parked
// outside it, so no mouse message arrives unless a test moves the pointer.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(1900, 1070);
        PumpOnce();
        form = std::make_unique<TForm>();
        form->SetBorderStyle(TBorderStyle::bsNone);
        grid = new TDGridImage(form.get());
        grid->SetParent(form.get());
        savedSound = RefreshSound();
    }
    void TearDown() override {
        form.reset();
        RefreshSound() = savedSound;
        Application().OnShowError = nullptr;
        SetCursorPos(1900, 1070);
        PumpOnce();
    }
    static void PumpOnce() { testing_support::PumpOnce(); }

    // Shows the grid as w x h, without frames unless a test adds them.
    void Show(int w, int h, bool frames = false) {
        if (!frames) {
            grid->SetBevelOuter(TBevelCut::bvNone);
            grid->SetBevelInner(TBevelCut::bvNone);
            grid->SetBorderWidth(0);
        }
        form->SetBounds(100, 100, w, h);
        grid->SetBounds(0, 0, w, h);
        form->Show();
        PumpOnce();
    }

    void Strings(int rows, int cols, int n) {
        grid->SetDrawType(TDrawType::dtString);
        grid->SetRowCount(rows);
        grid->SetColCount(cols);
        grid->SetStrings(Lines(n));
    }

    // Puts the real pointer at (x, y) of the grid and waits for the move to arrive.
    void MoveTo(int x, int y) {
        POINT p{x, y};
        ClientToScreen(grid->Handle(), &p);
        bool seen = false;
        grid->OnMouseMove = [&](TObject*, TShiftState, int mx, int my) { seen = seen || (mx == x && my == y); };
        SetCursorPos(p.x, p.y);
        if (!PumpUntil([&] { return seen; }, 500))
            SendMessageW(grid->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        grid->OnMouseMove = nullptr;
    }
    void Press(UINT down, UINT up, int x, int y) {
        SendMessageW(grid->Handle(), down, 0, MAKELPARAM(x, y));
        SendMessageW(grid->Handle(), up, 0, MAKELPARAM(x, y));
    }

    // Records the cell events as "over r,c", "leave r,c", "click r,c".
    void Record() {
        grid->OnCellMouseOver = [this](TObject* s, TMouserOverData d) { Log("over", s, d); };
        grid->OnCellMouseLeave = [this](TObject* s, TMouserOverData d) { Log("leave", s, d); };
        grid->OnCellClick = [this](TObject* s, TMouserOverData d) { Log("click", s, d); };
    }
    void Log(const char* what, TObject* sender, const TMouserOverData& d) {
        EXPECT_EQ(sender, grid);
        events.push_back(std::string(what) + " " + Key(d));
        data.push_back(d);
    }
    std::vector<std::string> TakeEvents() {
        auto e = std::move(events);
        events.clear();
        return e;
    }

    std::unique_ptr<TForm> form;
    TDGridImage* grid = nullptr;
    TRefreshSound savedSound;
    std::vector<std::string> events;
    std::vector<TMouserOverData> data;
};

using Events = std::vector<std::string>;

}  // namespace

// ---- cell arithmetic and painting of the base ----

TEST_F(GridTest, CellRectanglesTruncateAndLieInsideTheFrames) {
    struct Case {
        const char* what;
        int w, h, rows, cols;
        TBevelCut outer, inner;
        int bevelWidth, borderWidth;
        int row, col;
        RECT expected;
    };
    using B = TBevelCut;
    const Case cases[] = {
        {"single cell covers the cell area", 120, 80, 1, 1, B::bvNone, B::bvNone, 1, 0, 0, 0, {0, 0, 120, 80}},
        {"100 px / 3 columns: first", 100, 50, 1, 3, B::bvNone, B::bvNone, 1, 0, 0, 0, {0, 0, 33, 50}},
        {"100 px / 3 columns: second", 100, 50, 1, 3, B::bvNone, B::bvNone, 1, 0, 0, 1, {33, 0, 66, 50}},
        {"100 px / 3 columns: last leaves pixel 99", 100, 50, 1, 3, B::bvNone, B::bvNone, 1, 0, 0, 2, {66, 0, 99, 50}},
        {"2 raised + 3 border + 2 lowered: 7 in", 200, 100, 1, 1, B::bvRaised, B::bvLowered, 2, 3, 0, 0, {7, 7, 193, 93}},
        {"panel default: raised bevel of 1", 185, 41, 1, 1, B::bvRaised, B::bvNone, 1, 0, 0, 0, {1, 1, 184, 40}},
        {"86 px / 3 rows and / 2 columns inside the frames", 100, 100, 3, 2, B::bvRaised, B::bvLowered, 2, 3, 2, 1, {50, 63, 93, 91}},
        {"no rows: empty", 100, 100, 0, 3, B::bvNone, B::bvNone, 1, 0, 0, 0, {0, 0, 0, 0}},
        {"negative columns: empty", 100, 100, 2, -3, B::bvRaised, B::bvNone, 1, 0, 1, 1, {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        grid->SetBevelOuter(c.outer);
        grid->SetBevelInner(c.inner);
        grid->SetBevelWidth(c.bevelWidth);
        grid->SetBorderWidth(c.borderWidth);
        grid->SetBounds(0, 0, c.w, c.h);
        grid->SetRowCount(c.rows);
        grid->SetColCount(c.cols);
        RECT r = grid->GetCellRect(c.row, c.col);
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << c.what << ": got " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

TEST_F(GridTest, FramesNestFromTheOutsideIn) {
    // Raised 2, border 3 in Color, lowered 2, over a green background picture.
    grid->SetBevelOuter(TBevelCut::bvRaised);
    grid->SetBevelInner(TBevelCut::bvLowered);
    grid->SetBevelWidth(2);
    grid->SetBorderWidth(3);
    grid->SetColor(kBack);
    TPicture green;
    green.Assign(*Solid(4, 4, kGreen));
    grid->SetPicture(green);
    Show(60, 40, true);
    auto b = Composed(*grid);
    COLORREF hi = ColorToRGB(clBtnHighlight), sh = ColorToRGB(clBtnShadow);
    // Left edge, outside in; then the right edge, outside in.
    const TColor left[] = {(TColor)hi, (TColor)hi, kBack, kBack, kBack, (TColor)sh, (TColor)sh, kGreen};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(b->Pixel(i, 20), left[i]) << "left x=" << i;
        EXPECT_EQ(b->Pixel(30, i), left[i]) << "top y=" << i;
    }
    const TColor right[] = {(TColor)sh, (TColor)sh, kBack, kBack, kBack, (TColor)hi, (TColor)hi, kGreen};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(b->Pixel(59 - i, 20), right[i]) << "right x=" << 59 - i;
        EXPECT_EQ(b->Pixel(30, 39 - i), right[i]) << "bottom y=" << 39 - i;
    }
}

TEST_F(GridTest, BackgroundIsColourOrPictureStretchedOrNot) {
    grid->SetColor(kBack);
    Show(100, 100);
    auto plain = Composed(*grid);
    EXPECT_EQ(plain->Pixel(0, 0), kBack);
    EXPECT_EQ(plain->Pixel(99, 99), kBack);

    TPicture pic;
    pic.Bitmap().SetSize(2, 2);
    pic.Bitmap().SetPixel(0, 0, kRed);
    pic.Bitmap().SetPixel(1, 0, kGreen);
    pic.Bitmap().SetPixel(0, 1, kBlue);
    pic.Bitmap().SetPixel(1, 1, kMagenta);
    grid->SetPicture(pic);
    auto stretched = Composed(*grid);
    EXPECT_EQ(stretched->Pixel(10, 10), kRed);
    EXPECT_EQ(stretched->Pixel(90, 10), kGreen);
    EXPECT_EQ(stretched->Pixel(10, 90), kBlue);
    EXPECT_EQ(stretched->Pixel(90, 90), kMagenta);

    // A transparent picture (bottom-left colour, blue here, left out) shows Color where it is
    // left out, never what an earlier paint put there.
    pic.Bitmap().SetTransparent(true);
    grid->SetPicture(pic);
    auto transparent = Composed(*grid);
    EXPECT_EQ(transparent->Pixel(10, 90), kBack);
    EXPECT_EQ(transparent->Pixel(10, 10), kRed);
    pic.Bitmap().SetTransparent(false);
    grid->SetPicture(pic);

    grid->SetStretchBackground(false);
    auto unscaled = Composed(*grid);
    EXPECT_EQ(unscaled->Pixel(0, 0), kRed);
    EXPECT_EQ(unscaled->Pixel(1, 1), kMagenta);
    EXPECT_EQ(unscaled->Pixel(2, 2), kBack) << "the part the picture leaves uncovered shows Color";
}

namespace {
class CountingGrid : public TDGridImage {
public:
    using TDGridImage::TDGridImage;
    int rowChanges = 0, colChanges = 0;

protected:
    void RowCountChanged() override { ++rowChanges; TDGridImage::RowCountChanged(); }
    void ColCountChanged() override { ++colChanges; TDGridImage::ColCountChanged(); }
};
}  // namespace

TEST_F(GridTest, SettersRepaintOnlyOnRealChangesExceptThePicture) {
    auto* g = new CountingGrid(form.get());
    g->SetParent(form.get());
    g->SetBounds(0, 0, 50, 50);
    form->SetBounds(100, 100, 50, 50);
    form->Show();
    PumpOnce();
    HWND h = g->Handle();
    TPicture pic;
    pic.Assign(*Solid(2, 2, kRed));
    struct Case {
        const char* what;
        std::function<void()> same, changed;
        bool sameRepaints;
    };
    const Case cases[] = {
        {"RowCount", [&] { g->SetRowCount(1); }, [&] { g->SetRowCount(2); }, false},
        {"ColCount", [&] { g->SetColCount(1); }, [&] { g->SetColCount(3); }, false},
        {"StretchBackground", [&] { g->SetStretchBackground(true); }, [&] { g->SetStretchBackground(false); }, false},
        {"ImageAutoSize", [&] { g->SetImageAutoSize(false); }, [&] { g->SetImageAutoSize(true); }, false},
        {"ImageAlign", [&] { g->SetImageAlign(TImageAlign::iaLeft); }, [&] { g->SetImageAlign(TImageAlign::iaCenter); }, false},
        {"ImageTransparent", [&] { g->SetImageTransparent(true); }, [&] { g->SetImageTransparent(false); }, false},
        {"TextAlign", [&] { g->SetTextAlign(TTextAlign::taLeft); }, [&] { g->SetTextAlign(TTextAlign::taRight); }, false},
        {"DrawType", [&] { g->SetDrawType(TDrawType::dtImage); }, [&] { g->SetDrawType(TDrawType::dtNumber); }, false},
        {"Picture", [&] { g->SetPicture(pic); }, [&] { g->SetPicture(pic); }, true},
    };
    for (const auto& c : cases) {
        ValidateRect(h, nullptr);
        c.same();
        EXPECT_EQ(GetUpdateRect(h, nullptr, FALSE) != FALSE, c.sameRepaints) << c.what << " set to its value";
        ValidateRect(h, nullptr);
        c.changed();
        EXPECT_TRUE(GetUpdateRect(h, nullptr, FALSE)) << c.what << " changed";
    }
    EXPECT_EQ(g->rowChanges, 1);
    EXPECT_EQ(g->colChanges, 1);
    // Only stored: no repaint.
    ValidateRect(h, nullptr);
    g->SetStrings(Lines(3));
    g->SetRunTime(5);
    g->SetBeepOnRefresh(true);
    EXPECT_FALSE(GetUpdateRect(h, nullptr, FALSE));
}

// ---- the refresh reaches the screen ----

namespace {
// Reads the window back from the screen the moment each refresh returns, before any other
// message is handled.
class ProbeGrid : public TDGridImage {
public:
    using TDGridImage::TDGridImage;
    struct Shot {
        int runCount;
        bool fromTimer;
        int item;
        TColor screen;
    };
    std::vector<Shot> shots;
    bool inStart = false;
    void StartRun() override {
        inStart = true;
        TDGridImage::StartRun();
        inStart = false;
    }

protected:
    void RefreshCells() override {
        int before = RunCount();
        TDGridImage::RefreshCells();
        if (RunCount() == before || CellCount() == 0) return;
        auto b = OnScreen(Handle(), Width(), Height());
        shots.push_back({RunCount(), !inStart, Cells(0).ItemIndex, b->Pixel(Width() / 2, Height() / 2)});
    }
};
}  // namespace

TEST_F(GridTest, TimerDrivenSecondRefreshIsOnScreenBeforeItReturns) {
    grid->Hide();  // nothing else in the form covers the probe
    auto* g = new ProbeGrid(form.get());
    g->SetParent(form.get());
    g->SetBevelOuter(TBevelCut::bvNone);
    TImageList images(16, 16);
    images.Add(*Solid(16, 16, kRed));
    images.Add(*Solid(16, 16, kBlue));
    g->SetImages(&images);
    g->SetImageAutoSize(true);
    g->SetImageTransparent(false);
    g->SetRunTime(3);
    g->SetIntervals(60);
    g->SetBounds(0, 0, 80, 60);
    form->SetBounds(100, 100, 80, 60);
    form->Show();
    PumpOnce();
    const TColor colours[] = {kRed, kBlue};
    for (int round = 0; round < 5; ++round) {
        g->shots.clear();
        g->StartRun();
        ASSERT_TRUE(PumpUntil([&] { return g->shots.size() >= 2; }));
        g->StopRun();
        const auto& first = g->shots[0];
        const auto& second = g->shots[1];
        EXPECT_FALSE(first.fromTimer);
        EXPECT_TRUE(second.fromTimer);
        EXPECT_EQ(second.runCount, 2);
        // Each image is in the pool once, so the second refresh shows the other one.
        EXPECT_NE(first.item, second.item);
        EXPECT_EQ(first.screen, colours[first.item]);
        EXPECT_EQ(second.screen, colours[second.item]) << "the second refresh did not reach the window";
    }
    g->SetImages(nullptr);
}

TEST_F(GridTest, HiddenGridStillPlacesItsItems) {
    Strings(2, 2, 4);
    grid->SetBounds(0, 0, 40, 40);  // the form is never shown
    grid->StartRun();
    EXPECT_EQ(grid->CellCount(), 4);
    grid->StopRun();
}

// ---- pools and the refresh cycle ----

TEST_F(GridTest, PoolHoldsTheFirstItemFirstDrawCountTimesAndDrawsItFirst) {
    struct Case {
        TDrawType type;
        int first, count;
        std::vector<int> pool;  // sorted content the first refresh takes from the pool
    };
    const Case cases[] = {
        {TDrawType::dtString, 2, 3, {0, 1, 2, 2, 2, 3, 4}},
        {TDrawType::dtImage, 2, 3, {0, 1, 2, 2, 2, 3, 4}},
        {TDrawType::dtString, 2, 0, {0, 1, 3, 4}},
        {TDrawType::dtString, -1, 0, {0, 1, 2, 3, 4}},
        {TDrawType::dtString, 4, -2, {0, 1, 2, 3}},
    };
    TImageList images(4, 4);
    for (int i = 0; i < 5; ++i) images.Add(*Solid(4, 4, i * 40));
    Show(90, 90);
    for (const auto& c : cases) {
        grid->SetDrawType(c.type);
        grid->SetRowCount(3);
        grid->SetColCount(3);
        grid->SetStrings(Lines(5));
        grid->SetImages(&images);
        grid->SetFirstTextIndex(c.first);
        grid->SetFirstImageIndex(c.first);
        grid->SetFirstDrawCount(c.count);
        size_t n = c.pool.size();
        std::set<std::vector<int>> orders;
        for (uint32_t seed = 1; seed <= 150; ++seed) {
            RandSeed(seed);
            grid->StartRun();
            ASSERT_EQ(grid->CellCount(), 9);
            std::vector<int> items;
            for (int i = 0; i < 9; ++i) items.push_back(grid->Cells(i).ItemIndex);
            if (c.first >= 0 && c.count > 0) {
                EXPECT_EQ(items[0], c.first);
            }
            std::vector<int> fromPool(items.begin(), items.begin() + static_cast<long>(n));
            orders.insert(fromPool);
            std::sort(fromPool.begin(), fromPool.end());
            EXPECT_EQ(fromPool, c.pool);
            for (size_t i = n; i < 9; ++i) {
                EXPECT_GE(items[i], 0);
                EXPECT_LT(items[i], 5);
            }
            grid->StopRun();
        }
        EXPECT_GT(orders.size(), 10u) << "the pool is shuffled";
    }
    grid->SetImages(nullptr);
}

TEST_F(GridTest, StringRunRefreshesOnTicksThenStopsAtTheTickAfterRunTime) {
    Strings(3, 3, 5);
    grid->SetRunTime(2);
    grid->SetIntervals(40);
    Show(90, 90);
    int stops = 0;
    bool selfFreeIn = true;
    grid->OnStop = [&](TObject*, bool& selfFree) {
        selfFreeIn = selfFree;
        ++stops;
    };
    grid->StartRun();
    ASSERT_EQ(grid->CellCount(), 9);
    std::vector<int> first;
    for (int i = 0; i < 5; ++i) first.push_back(grid->Cells(i).ItemIndex);
    std::sort(first.begin(), first.end());
    EXPECT_EQ(first, (std::vector<int>{0, 1, 2, 3, 4})) << "the five strings in shuffled order come first";
    ASSERT_TRUE(PumpUntil([&] { return grid->RunCount() == 2; }));
    EXPECT_EQ(grid->CellCount(), 9);
    EXPECT_EQ(stops, 0);
    ASSERT_TRUE(PumpUntil([&] { return stops == 1; }));
    EXPECT_FALSE(selfFreeIn);
    EXPECT_EQ(grid->CellCount(), 0);
    EXPECT_FALSE(grid->Running());
    EXPECT_EQ(grid->RunCount(), 2);
    PumpFor(120);
    EXPECT_EQ(stops, 1) << "a stopped run does not tick";
}

TEST_F(GridTest, NumberRunEndsAtTheFirstTickOnceItsNumbersAreUsed) {
    struct Case {
        int numbers, runTime, expectedCells;
    };
    const Case cases[] = {{25, 2, 25}, {20, 5, 20}};
    Show(100, 100);
    for (const auto& c : cases) {
        grid->SetDrawType(TDrawType::dtNumber);
        grid->SetRowCount(5);
        grid->SetColCount(5);
        grid->SetNumbers(Lines(c.numbers, 1));
        grid->SetRunTime(c.runTime);
        grid->SetIntervals(40);
        int stops = 0;
        grid->OnStop = [&](TObject*, bool&) { ++stops; };
        grid->StartRun();
        ASSERT_EQ(grid->CellCount(), c.expectedCells);
        std::set<std::wstring> texts;
        for (int i = 0; i < grid->CellCount(); ++i) texts.insert(grid->Cells(i).Text);
        EXPECT_EQ(texts.size(), static_cast<size_t>(c.numbers)) << "every number once";
        if (c.numbers < 25) {
            EXPECT_EQ(grid->RunTime(), 1) << "a dry pool ends the run";
        }
        ASSERT_TRUE(PumpUntil([&] { return stops == 1; }));
        EXPECT_EQ(grid->RunCount(), 1);
        EXPECT_EQ(grid->CellCount(), 0);
    }
}

TEST_F(GridTest, RunThatEndsInsideStartRunReportsStopBeforeStart) {
    struct Case {
        const char* what;
        TDrawType type;
        int items, runTime;
    };
    const Case cases[] = {{"numbers without any number", TDrawType::dtNumber, 0, 1},
                          {"RunTime 0", TDrawType::dtString, 4, 0}};
    Show(60, 60);
    for (const auto& c : cases) {
        grid->SetDrawType(c.type);
        grid->SetRowCount(2);
        grid->SetColCount(2);
        grid->SetStrings(Lines(c.items));
        grid->SetNumbers(Lines(c.items));
        grid->SetRunTime(c.runTime);
        std::vector<std::string> order;
        grid->OnStart = [&](TObject*) { order.push_back("start"); };
        grid->OnStop = [&](TObject*, bool&) { order.push_back("stop"); };
        grid->StartRun();
        EXPECT_EQ(order, (std::vector<std::string>{"stop", "start"})) << c.what;
        EXPECT_EQ(grid->CellCount(), 0) << c.what;
        EXPECT_FALSE(grid->Running()) << c.what;
        EXPECT_EQ(grid->RunCount(), 0) << c.what;
    }
}

TEST_F(GridTest, StopHandlerMayStartTheNextRun) {
    Strings(2, 2, 4);
    grid->SetRunTime(1);
    grid->SetIntervals(30);
    Show(60, 60);
    int stops = 0, starts = 0;
    grid->OnStart = [&](TObject*) { ++starts; };
    grid->OnStop = [&](TObject*, bool& selfFree) {
        if (++stops == 1) grid->StartRun();
        selfFree = true;
    };
    grid->StartRun();
    ASSERT_TRUE(PumpUntil([&] { return stops == 1; }));
    EXPECT_EQ(starts, 2);
    EXPECT_TRUE(grid->Running()) << "the run started from OnStop goes on";
    EXPECT_EQ(grid->CellCount(), 4);
    ASSERT_TRUE(PumpUntil([&] { return stops == 2; }));
    EXPECT_FALSE(grid->Running());
    EXPECT_TRUE(grid->StopRun()) << "StopRun returns what the handler left in SelfFree";
    grid->OnStop = nullptr;
    EXPECT_FALSE(grid->StopRun());
}

TEST_F(GridTest, PauseAndResumeSwitchTheTimerAndResumeRestartsTheInterval) {
    Strings(2, 2, 4);
    grid->SetRunTime(10);
    grid->SetIntervals(800);
    Show(60, 60);
    int pauses = 0, resumes = 0;
    grid->OnPause = [&](TObject*) { ++pauses; };
    grid->OnResume = [&](TObject*) { ++resumes; };
    grid->StartRun();
    PumpFor(500);
    ASSERT_EQ(grid->RunCount(), 1);
    grid->PauseRun();
    EXPECT_FALSE(grid->Running());
    EXPECT_EQ(grid->CellCount(), 4) << "paused cells stay";
    grid->ResumeRun();  // 300 ms before the tick was due
    DWORD resumed = GetTickCount();
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(resumes, 1);
    ASSERT_TRUE(PumpUntil([&] { return grid->RunCount() == 2; }, 3000));
    DWORD elapsed = GetTickCount() - resumed;
    EXPECT_GE(elapsed, 800u - 30u) << "the next refresh comes a full interval after the resume";
    grid->StopRun();
}

TEST_F(GridTest, DesignedGridRefreshesNothingOnTicks) {
    Strings(1, 2, 2);
    grid->SetRunTime(5);
    grid->SetIntervals(0);
    Show(60, 30);
    grid->StartRun();
    grid->Designing = true;
    grid->TimerFired(nullptr);
    EXPECT_EQ(grid->RunCount(), 1);
    grid->Designing = false;
    grid->TimerFired(nullptr);
    EXPECT_EQ(grid->RunCount(), 2);
    grid->StopRun();
}

TEST_F(GridTest, ResumeWhileIdleAppliesTheStopTestAgain) {
    Strings(1, 1, 1);
    grid->SetRunTime(1);
    grid->SetIntervals(30);
    Show(40, 40);
    int stops = 0;
    grid->OnStop = [&](TObject*, bool&) { ++stops; };
    grid->StartRun();
    ASSERT_TRUE(PumpUntil([&] { return stops == 1; }));
    grid->ResumeRun();
    ASSERT_TRUE(PumpUntil([&] { return stops == 2; }));
    EXPECT_EQ(grid->CellCount(), 0);
}

TEST_F(GridTest, ChangingDrawTypeDuringARunClearsAtOnceAndGoesOnWithTheNewKind) {
    Strings(2, 2, 4);
    grid->SetNumbers(Lines(10, 1));
    grid->SetRunTime(5);
    grid->SetIntervals(40);
    Show(60, 60);
    grid->StartRun();
    ASSERT_EQ(grid->CellCount(), 4);
    grid->SetDrawType(TDrawType::dtNumber);
    EXPECT_EQ(grid->CellCount(), 0);
    EXPECT_EQ(grid->CurrentCell().Row, -1);
    ASSERT_TRUE(PumpUntil([&] { return grid->RunCount() == 2; }));
    ASSERT_EQ(grid->CellCount(), 4);
    for (int i = 0; i < 4; ++i) {
        int v = std::stoi(grid->Cells(i).Text);
        EXPECT_TRUE(v >= 1 && v <= 10);
    }
    grid->StopRun();
}

TEST_F(GridTest, ErrorFromAStopHandlerOnATickIsReportedAndTheRunStaysStopped) {
    std::vector<std::wstring> shown;
    Application().OnShowError = [&](const std::wstring& m) { shown.push_back(m); };
    Strings(1, 1, 1);
    grid->SetRunTime(1);
    grid->SetIntervals(30);
    Show(40, 40);
    grid->OnStop = [](TObject*, bool&) { throw Exception(L"停止失败"); };
    grid->StartRun();
    ASSERT_TRUE(PumpUntil([&] { return !shown.empty(); }));
    EXPECT_EQ(shown[0], L"停止失败");
    EXPECT_FALSE(grid->Running());
    PumpFor(100);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(GridTest, RefreshSoundGoesToTheWaveFileOrTheBeep) {
    std::wstring existing = Application().ExeDir() + L"grid_test_pop.wav";
    {
        std::ofstream f(ToUtf8(existing), std::ios::binary);
        f << "RIFF";
    }
    struct Case {
        const char* what;
        bool beep, useWave;
        std::wstring file;
        std::vector<std::wstring> expected;
    };
    const std::vector<Case> cases = {
        {"no sound", false, true, existing, {}},
        {"beep", true, false, existing, {L"beep 800 100"}},
        {"wave file", true, true, existing, {L"wave " + existing}},
        {"missing file beeps", true, true, existing + L".missing", {L"beep 800 100"}},
        {"no file name beeps", true, true, L"", {L"beep 800 100"}},
    };
    std::vector<std::wstring> heard;
    RefreshSound().PlayWaveFile = [&](const std::wstring& f) { heard.push_back(L"wave " + f); };
    RefreshSound().Beep = [&](unsigned hz, unsigned ms) {
        heard.push_back(L"beep " + std::to_wstring(hz) + L" " + std::to_wstring(ms));
    };
    Strings(1, 1, 1);
    grid->SetRunTime(1);
    grid->SetIntervals(0);
    Show(40, 40);
    for (const auto& c : cases) {
        grid->SetBeepOnRefresh(c.beep);
        grid->SetUseWaveFile(c.useWave);
        grid->SetWaveFile(c.file);
        heard.clear();
        grid->StartRun();
        EXPECT_EQ(heard, c.expected) << c.what;
        heard.clear();
        grid->TimerFired(nullptr);  // the stop tick is silent
        EXPECT_TRUE(heard.empty()) << c.what;
        EXPECT_FALSE(grid->Running());
    }
    DeleteFileW(existing.c_str());
}

// ---- placement ----

TEST_F(GridTest, FirstNumbersOfARunTakeDistinctRowsAndColumns) {
    grid->SetDrawType(TDrawType::dtNumber);
    grid->SetIntervals(0);
    Show(90, 90);
    struct Case {
        int rows, cols, numbers, runTime;
    };
    const Case cases[] = {{3, 3, 9, 1}, {10, 10, 200, 2}, {4, 6, 48, 2}};
    for (const auto& c : cases) {
        grid->SetRowCount(c.rows);
        grid->SetColCount(c.cols);
        grid->SetNumbers(Lines(c.numbers, 1));
        grid->SetRunTime(c.runTime);
        int distinct = std::min(c.rows, c.cols);
        for (uint32_t seed = 1; seed <= 200; ++seed) {
            RandSeed(seed);
            grid->StartRun();
            std::set<std::wstring> shownBefore;
            for (int refresh = 1; refresh <= c.runTime; ++refresh) {
                if (refresh > 1) grid->TimerFired(nullptr);
                ASSERT_EQ(grid->CellCount(), c.rows * c.cols) << "seed " << seed << " refresh " << refresh;
                std::set<std::pair<int, int>> cells;
                for (int i = 0; i < grid->CellCount(); ++i) {
                    const auto& d = grid->Cells(i);
                    ASSERT_TRUE(d.Row >= 0 && d.Row < c.rows && d.Col >= 0 && d.Col < c.cols);
                    cells.insert({d.Row, d.Col});
                    EXPECT_TRUE(shownBefore.insert(d.Text).second) << "numbers never repeat within a run";
                    RECT r = grid->GetCellRect(d.Row, d.Col);
                    EXPECT_TRUE(EqualRect(&r, &d.CellRect));
                }
                EXPECT_EQ(cells.size(), static_cast<size_t>(c.rows * c.cols)) << "every cell filled once";
                if (refresh == 1) {
                    std::set<int> rows, cols;
                    for (int i = 0; i < distinct; ++i) {
                        rows.insert(grid->Cells(i).Row);
                        cols.insert(grid->Cells(i).Col);
                    }
                    EXPECT_EQ(rows.size(), static_cast<size_t>(distinct)) << "seed " << seed;
                    EXPECT_EQ(cols.size(), static_cast<size_t>(distinct)) << "seed " << seed;
                }
            }
            grid->StopRun();
        }
    }
}

TEST_F(GridTest, MoreCellsThanNumbersLeavesCellsWithoutRecords) {
    grid->SetDrawType(TDrawType::dtNumber);
    grid->SetRowCount(5);
    grid->SetColCount(5);
    grid->SetNumbers(Lines(20, 1));
    grid->SetIntervals(0);
    Show(100, 100);
    Record();
    grid->StartRun();
    ASSERT_EQ(grid->CellCount(), 20);
    std::set<std::pair<int, int>> filled;
    for (int i = 0; i < 20; ++i) filled.insert({grid->Cells(i).Row, grid->Cells(i).Col});
    int emptyCells = 0;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            if (!filled.count({r, c})) {
                ++emptyCells;
                Press(WM_LBUTTONDOWN, WM_LBUTTONUP, c * 20 + 10, r * 20 + 10);
            }
    EXPECT_EQ(emptyCells, 5);
    EXPECT_TRUE(TakeEvents().empty());
    grid->StopRun();
}

TEST_F(GridTest, StringsAndImagesFillRowByRowInListOrder) {
    Strings(2, 3, 6);
    Show(90, 60);
    grid->StartRun();
    ASSERT_EQ(grid->CellCount(), 6);
    for (int i = 0; i < 6; ++i) {
        const auto& d = grid->Cells(i);
        EXPECT_EQ(d.Row, i / 3);
        EXPECT_EQ(d.Col, i % 3);
        EXPECT_EQ(d.Text, grid->Strings()[d.ItemIndex]);
    }
    grid->StopRun();
}

TEST_F(GridTest, ResizeKeepsEveryItemInItsCellAndMovesTheRectangles) {
    Strings(2, 3, 6);
    grid->SetIntervals(0);
    Show(90, 60);
    grid->StartRun();
    std::vector<TMouserOverData> before;
    for (int i = 0; i < grid->CellCount(); ++i) before.push_back(grid->Cells(i));
    form->SetBounds(100, 100, 300, 200);
    grid->SetBounds(0, 0, 300, 200);
    ASSERT_TRUE(PumpUntil([&] { return grid->Cells(5).CellRect.right == 300; }));
    for (int i = 0; i < 6; ++i) {
        const auto& d = grid->Cells(i);
        EXPECT_EQ(d.Row, before[static_cast<size_t>(i)].Row);
        EXPECT_EQ(d.Col, before[static_cast<size_t>(i)].Col);
        EXPECT_EQ(d.ItemIndex, before[static_cast<size_t>(i)].ItemIndex);
        EXPECT_EQ(d.Text, before[static_cast<size_t>(i)].Text);
        RECT r = grid->GetCellRect(d.Row, d.Col);
        EXPECT_TRUE(EqualRect(&r, &d.CellRect));
        EXPECT_EQ(r.right - r.left, 100);
    }
    grid->StopRun();
}

TEST_F(GridTest, RouteDataPlacesItemsAtItsCoordinates) {
    struct Case {
        const char* what;
        TDrawType type;
        std::vector<std::wstring> route;
        std::vector<std::pair<int, int>> cells;  // (row, col) in record order
    };
    const Case cases[] = {
        {"four lines", TDrawType::dtString, {L"0,0", L"2,1", L"4,4", L"1,3"}, {{0, 0}, {1, 2}, {4, 4}, {3, 1}}},
        {"identical lines", TDrawType::dtString, {L"0,0", L"0,0"}, {{0, 0}, {0, 0}}},
        {"malformed lines", TDrawType::dtString, {L"3", L"x,2", L"", L"1,", L"-1,7", L"2,1,9"},
         {{0, 3}, {2, 0}, {0, 0}, {0, 1}, {7, -1}, {1, 2}}},
        {"images", TDrawType::dtImage, {L"1,1"}, {{1, 1}}},
    };
    TImageList images(4, 4);
    images.Add(*Solid(4, 4, kRed));
    grid->SetImages(&images);
    Show(100, 100);
    for (const auto& c : cases) {
        grid->SetDrawType(c.type);
        grid->SetRowCount(5);
        grid->SetColCount(5);
        grid->SetStrings(Lines(3));
        TStringList route;
        for (const auto& l : c.route) route.Add(l);
        grid->SetRouteData(route);
        grid->StartRun();
        ASSERT_EQ(grid->CellCount(), static_cast<int>(c.cells.size())) << c.what;
        for (size_t i = 0; i < c.cells.size(); ++i) {
            const auto& d = grid->Cells(static_cast<int>(i));
            EXPECT_EQ(std::make_pair(d.Row, d.Col), c.cells[i]) << c.what << " line " << i;
            RECT r = grid->GetCellRect(d.Row, d.Col);
            EXPECT_TRUE(EqualRect(&r, &d.CellRect)) << c.what;
        }
        Composed(*grid);  // a repaint of such cells does not fail either
        grid->StopRun();
    }
    // Numbers ignore the route.
    grid->SetDrawType(TDrawType::dtNumber);
    grid->SetNumbers(Lines(25, 1));
    grid->StartRun();
    EXPECT_EQ(grid->CellCount(), 25);
    grid->StopRun();
    grid->SetImages(nullptr);
}

TEST_F(GridTest, RouteDataCannotChangeWhileRunningButCanWhenPausedOrIdle) {
    Strings(2, 2, 4);
    grid->SetRunTime(10);
    grid->SetIntervals(1000);
    Show(60, 60);
    TStringList one{L"0,0"}, two{L"1,1", L"0,1"};
    grid->SetRouteData(one);
    grid->StartRun();
    try {
        grid->SetRouteData(two);
        ADD_FAILURE() << "no exception while running";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), L"运行时不允许修改坐标信息");
    }
    EXPECT_EQ(grid->RouteData().Lines(), one.Lines());
    grid->RouteData().Add(L"1,0");  // through the list itself: not guarded
    EXPECT_EQ(grid->RouteData().Count(), 2);
    grid->PauseRun();
    EXPECT_NO_THROW(grid->SetRouteData(two));
    EXPECT_EQ(grid->RouteData().Lines(), two.Lines());
    grid->StopRun();
    EXPECT_NO_THROW(grid->SetRouteData(one));
}

TEST_F(GridTest, CountsBelowOneMeanNoCells) {
    Strings(0, 3, 4);
    grid->SetColor(kBack);
    Show(60, 60);
    Record();
    grid->StartRun();
    EXPECT_EQ(grid->CellCount(), 0);
    auto b = Composed(*grid);
    for (int y = 0; y < 60; y += 3)
        for (int x = 0; x < 60; x += 3) ASSERT_EQ(b->Pixel(x, y), kBack);
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 10, 10);
    grid->StopRun();
    grid->SetRowCount(-2);
    grid->SetColCount(-3);
    grid->SetDrawType(TDrawType::dtNumber);
    grid->SetNumbers(Lines(10, 1));
    grid->StartRun();
    EXPECT_EQ(grid->CellCount(), 0);
    grid->StopRun();
    EXPECT_TRUE(TakeEvents().empty());
}

// ---- painting of texts and images ----

namespace {
// The first column with ink in a white bitmap, or -1.
int FirstInk(const TBitmap& b, int fromX = 0) {
    for (int x = fromX; x < b.Width(); ++x)
        for (int y = 0; y < b.Height(); ++y)
            if (b.Pixel(x, y) != clWhite) return x;
    return -1;
}

std::unique_ptr<TBitmap> Reference(const TFont& font, int w, int h, const std::wstring& text, RECT r, UINT format) {
    auto b = Solid(w, h, clWhite);
    b->Canvas().Font.Assign(font);
    SetBkMode(b->Canvas().Handle(), TRANSPARENT);
    b->Canvas().DrawText(text, r, format);
    return b;
}

bool SameRegion(const TBitmap& a, const TBitmap& b, int x0, int x1) {
    for (int x = x0; x < x1; ++x)
        for (int y = 0; y < a.Height(); ++y)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}
}  // namespace

TEST_F(GridTest, CentredTextStartsAtTheTruncatedMiddle) {
    grid->SetColor(clWhite);
    grid->Font().SetColor(clBlack);
    // Find a text whose width is even (12 px if the fonts allow), so that rounding and
    // truncation of the half differ.
    std::wstring text;
    int width = 0;
    for (int height = 10; height <= 30 && width != 12; ++height) {
        for (int len = 1; len <= 6; ++len) {
            TBitmap probe(10, 10);
            probe.Canvas().Font.Assign(grid->Font());
            probe.Canvas().Font.SetHeight(-height);
            std::wstring t(static_cast<size_t>(len), L'1');
            RECT m{0, 0, 0, 0};
            probe.Canvas().DrawText(t, m, DT_CALCRECT);
            if (m.right % 2 == 0 && m.right > 0 && m.right < 60 && (width == 0 || m.right == 12)) {
                text = t;
                width = m.right;
                grid->Font().SetHeight(-height);
                if (width == 12) break;
            }
        }
    }
    ASSERT_GT(width, 0);
    grid->SetDrawType(TDrawType::dtString);
    grid->SetStrings(TStringList{text});
    grid->SetTextAlign(TTextAlign::taCenter);
    Show(101, 60);
    grid->StartRun();
    auto shot = Composed(*grid);
    auto atZero = Reference(grid->Font(), 101, 60, text, RECT{0, 0, 101, 60}, DT_LEFT);
    int expectedLeft = static_cast<int>(50.5 - width / 2.0);  // 44 for a 12 px text
    if (width == 12) {
        EXPECT_EQ(expectedLeft, 44);
    }
    EXPECT_EQ(FirstInk(*shot), FirstInk(*atZero) + expectedLeft) << "text width " << width;
    EXPECT_EQ(grid->Cells(0).Text, text);
    grid->StopRun();

    grid->SetTextAlign(TTextAlign::taLeft);
    grid->StartRun();
    EXPECT_EQ(FirstInk(*Composed(*grid)), FirstInk(*atZero)) << "left text starts at the cell's left edge";
    grid->StopRun();
}

TEST_F(GridTest, TooWideTextEndsInAnEllipsis) {
    const std::wstring text = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    grid->SetColor(clWhite);
    grid->Font().SetColor(clBlack);
    grid->Font().SetHeight(-14);
    grid->SetDrawType(TDrawType::dtString);
    grid->SetStrings(TStringList{text});
    grid->SetColCount(2);
    Show(160, 40);
    RECT m{0, 0, 0, 0};
    {
        TBitmap probe(10, 10);
        probe.Canvas().Font.Assign(grid->Font());
        probe.Canvas().DrawText(text, m, DT_CALCRECT);
    }
    ASSERT_GT(m.right, 100);

    // Left aligned in cell 0 (0..80): starts at 0 and is cut with an ellipsis at 80.
    grid->SetRouteData(TStringList{L"0,0"});
    grid->StartRun();
    auto left = Composed(*grid);
    grid->StopRun();
    auto withEllipsis = Reference(grid->Font(), 160, 40, text, RECT{0, 0, 80, 40}, DT_LEFT | DT_END_ELLIPSIS);
    auto clippedOnly = Reference(grid->Font(), 160, 40, text, RECT{0, 0, 80, 40}, DT_LEFT);
    ASSERT_FALSE(SameRegion(*withEllipsis, *clippedOnly, 0, 160));
    EXPECT_TRUE(SameRegion(*left, *withEllipsis, 0, 160));

    // Centred in cell 1 (80..160): starts left of the cell, ends in an ellipsis at its edge.
    grid->SetTextAlign(TTextAlign::taCenter);
    grid->SetRouteData(TStringList{L"1,0"});
    grid->StartRun();
    auto centred = Composed(*grid);
    grid->StopRun();
    int l = static_cast<int>(80 + 40.0 - m.right / 2.0), t = static_cast<int>(0 + 20.0 - m.bottom / 2.0);
    ASSERT_LT(l, 80);
    auto expected = Reference(grid->Font(), 160, 40, text, RECT{l, t, 160, 40}, DT_LEFT | DT_END_ELLIPSIS);
    EXPECT_TRUE(SameRegion(*centred, *expected, 0, 160));
    EXPECT_GE(FirstInk(*centred), 0);
    EXPECT_LT(FirstInk(*centred), 80);
}

TEST_F(GridTest, EmptyStringListGivesRecordsWithoutText) {
    Strings(2, 2, 0);
    grid->SetColor(kBack);
    Show(60, 60);
    grid->StartRun();
    ASSERT_EQ(grid->CellCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(grid->Cells(i).Text.empty());
        EXPECT_EQ(grid->Cells(i).ItemIndex, 0);
    }
    auto b = Composed(*grid);
    for (int y = 0; y < 60; y += 2)
        for (int x = 0; x < 60; x += 2) ASSERT_EQ(b->Pixel(x, y), kBack);
    grid->StopRun();
}

TEST_F(GridTest, ImagesAreAlignedClippedStretchedAndTransparent) {
    struct Probe {
        int x, y;
        TColor colour;
    };
    struct Case {
        const char* what;
        int w, h, cols, imageSize;
        TImageAlign align;
        bool autoSize, transparent;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"centred 32 px in 0..101 starts at 34", 101, 101, 1, 32, TImageAlign::iaCenter, false, false,
         {{34, 34, kRed}, {33, 50, kBack}, {50, 33, kBack}, {65, 65, kRed}, {66, 50, kBack}, {50, 66, kBack}}},
        {"right aligned at the top", 101, 101, 1, 32, TImageAlign::iaRight, false, false,
         {{69, 0, kRed}, {100, 31, kRed}, {68, 0, kBack}, {100, 32, kBack}}},
        {"larger than the cell: clipped to it", 103, 90, 2, 80, TImageAlign::iaLeft, false, false,
         {{0, 0, kRed}, {50, 79, kRed}, {51, 10, kBack}, {60, 10, kBack}}},
        {"auto size fills the cell whatever the alignment", 101, 101, 1, 8, TImageAlign::iaCenter, true, false,
         {{0, 0, kRed}, {100, 100, kRed}, {50, 50, kRed}}},
        {"transparent colour left out", 101, 101, 1, 32, TImageAlign::iaLeft, false, true,
         {{0, 0, kBack}, {0, 31, kBack}, {16, 16, kRed}}},
        {"opaque when not transparent", 101, 101, 1, 32, TImageAlign::iaLeft, false, false,
         {{0, 0, kMagenta}, {0, 31, kMagenta}, {16, 16, kRed}}},
    };
    grid->SetColor(kBack);
    Show(101, 101);
    for (const auto& c : cases) {
        TImageList images(c.imageSize, c.imageSize);
        auto img = Solid(c.imageSize, c.imageSize, kRed);
        if (std::string(c.what).find("transparent") != std::string::npos) {
            // A magenta frame: the bottom-left pixel makes it the transparent colour.
            for (int i = 0; i < c.imageSize; ++i) {
                img->SetPixel(i, 0, kMagenta);
                img->SetPixel(0, i, kMagenta);
                img->SetPixel(i, c.imageSize - 1, kMagenta);
            }
        }
        images.Add(*img);
        form->SetBounds(100, 100, c.w, c.h);
        grid->SetBounds(0, 0, c.w, c.h);
        grid->SetDrawType(TDrawType::dtImage);
        grid->SetImages(&images);
        grid->SetColCount(c.cols);
        grid->SetRouteData(TStringList{L"0,0"});
        grid->SetImageAlign(c.align);
        grid->SetImageAutoSize(c.autoSize);
        grid->SetImageTransparent(c.transparent);
        grid->StartRun();
        auto b = Composed(*grid);
        for (const auto& p : c.probes)
            EXPECT_EQ(b->Pixel(p.x, p.y), p.colour) << c.what << " at " << p.x << "," << p.y;
        grid->StopRun();
        grid->SetImages(nullptr);
    }
}

TEST_F(GridTest, OutOfRangeItemsShowNothingAndDoNotFail) {
    // FirstDrawCount with a first index of -1 puts -1 into the pool.
    TImageList images(8, 8);
    images.Add(*Solid(8, 8, kRed));
    grid->SetColor(kBack);
    grid->SetDrawType(TDrawType::dtImage);
    grid->SetImages(&images);
    grid->SetFirstImageIndex(-1);
    grid->SetFirstDrawCount(2);
    grid->SetRouteData(TStringList{L"0,0"});
    grid->SetImageAutoSize(true);
    Show(40, 40);
    grid->StartRun();
    ASSERT_EQ(grid->CellCount(), 1);
    EXPECT_EQ(grid->Cells(0).ItemIndex, -1);
    EXPECT_EQ(Composed(*grid)->Pixel(20, 20), kBack);
    grid->StopRun();
    grid->SetDrawType(TDrawType::dtString);
    grid->SetStrings(Lines(2));
    grid->SetFirstTextIndex(7);
    grid->StartRun();
    EXPECT_EQ(grid->Cells(0).ItemIndex, 7);
    EXPECT_TRUE(grid->Cells(0).Text.empty());
    grid->StopRun();
    grid->SetImages(nullptr);
}

// ---- cell events ----

TEST_F(GridTest, PointerMovesFireLeaveThenOverByRowAndColumn) {
    // 3 columns of 100 px and 2 rows of 100 px; x = 300 and y = 200 belong to no cell.
    Strings(2, 3, 6);
    grid->SetIntervals(0);
    Show(301, 201);
    Record();
    MoveTo(50, 50);
    EXPECT_TRUE(TakeEvents().empty()) << "no cells before the first refresh";
    grid->StartRun();
    struct Step {
        int x, y;
        Events expected;
    };
    const Step steps[] = {
        {50, 50, {"over 0,0"}},
        {60, 70, {}},
        {99, 99, {}},
        {100, 50, {"leave 0,0", "over 0,1"}},   // the right edge belongs to the neighbour
        {150, 100, {"leave 0,1", "over 1,1"}},  // the bottom edge too
        {299, 150, {"leave 1,1", "over 1,2"}},
        {300, 150, {}},                         // the strip no cell covers: no current cell
        {299, 150, {"over 1,2"}},
        {299, 200, {}},
        {10, 150, {"over 1,0"}},
    };
    for (const auto& s : steps) {
        MoveTo(s.x, s.y);
        EXPECT_EQ(TakeEvents(), s.expected) << "move to " << s.x << "," << s.y;
    }
    // The pointer leaves the window: one leave; another leave notification fires nothing.
    SetCursorPos(1900, 1070);
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }, 3000)) << "no leave when the pointer left";
    EXPECT_EQ(TakeEvents(), (Events{"leave 1,0"}));
    EXPECT_EQ(grid->CurrentCell().Row, -1);
    SendMessageW(grid->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(TakeEvents().empty());
    grid->StopRun();
    MoveTo(50, 50);
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 50, 50);
    EXPECT_TRUE(TakeEvents().empty()) << "no cells after a stop";
}

TEST_F(GridTest, LeaveReportsTheCellAsItWasWhenItBecameCurrent) {
    Strings(1, 2, 2);
    grid->SetIntervals(0);
    Show(200, 100);
    Record();
    grid->StartRun();
    MoveTo(50, 50);
    ASSERT_EQ(TakeEvents(), (Events{"over 0,0"}));
    TMouserOverData entered = data.back();
    form->SetBounds(100, 100, 400, 100);
    grid->SetBounds(0, 0, 400, 100);
    ASSERT_TRUE(PumpUntil([&] { return grid->Cells(0).CellRect.right == 200; }));
    MoveTo(250, 50);
    ASSERT_EQ(TakeEvents(), (Events{"leave 0,0", "over 0,1"}));
    const TMouserOverData& left = data[data.size() - 2];
    EXPECT_TRUE(EqualRect(&left.CellRect, &entered.CellRect));
    EXPECT_EQ(left.CellRect.right, 100) << "the rectangle of the time it was entered";
    EXPECT_EQ(left.Text, entered.Text);
    EXPECT_EQ(data.back().CellRect.left, 200);
    grid->StopRun();
}

TEST_F(GridTest, EveryButtonAndEveryDoubleClickClicks) {
    Strings(1, 2, 2);
    grid->SetIntervals(0);
    Show(200, 100);
    Record();
    grid->StartRun();
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 150, 50);
    EXPECT_EQ(TakeEvents(), (Events{"click 0,1"}));
    Press(WM_MBUTTONDOWN, WM_MBUTTONUP, 20, 20);
    EXPECT_EQ(TakeEvents(), (Events{"click 0,0"}));
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 150, 50);
    Press(WM_LBUTTONDBLCLK, WM_LBUTTONUP, 150, 50);
    EXPECT_EQ(TakeEvents(), (Events{"click 0,1", "click 0,1"}));
    EXPECT_EQ(data.back().Text, grid->Cells(1).Text);
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 250, 50);  // outside every cell
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(grid->CurrentCell().Col, 1);
    grid->StopRun();
}

TEST_F(GridTest, ClickMakesTheCellCurrentWithoutOverOrLeave) {
    Strings(1, 2, 2);
    grid->SetIntervals(0);
    Show(200, 100);
    grid->SetRunTime(5);
    Record();
    grid->StartRun();
    MoveTo(50, 50);
    ASSERT_EQ(TakeEvents(), (Events{"over 0,0"}));
    grid->TimerFired(nullptr);  // a refresh: the current cell is gone without an event
    ASSERT_EQ(grid->RunCount(), 2);
    EXPECT_EQ(grid->CurrentCell().Row, -1);
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 150, 50);
    EXPECT_EQ(TakeEvents(), (Events{"click 0,1"}));
    MoveTo(160, 60);
    EXPECT_TRUE(TakeEvents().empty()) << "the clicked cell is already current";
    MoveTo(50, 50);
    EXPECT_EQ(TakeEvents(), (Events{"leave 0,1", "over 0,0"}));

    grid->OnCellClick = nullptr;  // without a handler the clicked cell still becomes current
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 150, 50);
    EXPECT_EQ(grid->CurrentCell().Col, 1);
    grid->StopRun();
}

TEST_F(GridTest, ClickHandlerMayEndTheRun) {
    grid->SetDrawType(TDrawType::dtNumber);
    grid->SetRowCount(2);
    grid->SetColCount(2);
    grid->SetNumbers(Lines(4, 1));
    grid->SetIntervals(0);
    Show(100, 100);
    int stops = 0;
    grid->OnStop = [&](TObject*, bool&) { ++stops; };
    TMouserOverData clicked;
    grid->OnCellClick = [&](TObject*, TMouserOverData d) {
        grid->StopRun();
        clicked = d;  // the handler's own copy outlives the cleared list
    };
    grid->StartRun();
    TMouserOverData target = grid->Cells(0);
    int x = (target.CellRect.left + target.CellRect.right) / 2, y = (target.CellRect.top + target.CellRect.bottom) / 2;
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, x, y);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(clicked.Text, target.Text);
    EXPECT_TRUE(EqualRect(&clicked.CellRect, &target.CellRect));
    EXPECT_EQ(grid->CellCount(), 0);
    EXPECT_EQ(grid->CurrentCell().Row, -1);
}

TEST_F(GridTest, TwoRecordsOfTheSameCellHitTheEarlierOne) {
    grid->SetDrawType(TDrawType::dtString);
    grid->SetStrings(TStringList{L"甲", L"乙"});
    grid->SetRouteData(TStringList{L"0,0", L"0,0"});
    grid->SetIntervals(0);
    Show(60, 60);
    Record();
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        RandSeed(seed);
        grid->StartRun();
        ASSERT_EQ(grid->CellCount(), 2);
        EXPECT_TRUE(EqualRect(&grid->Cells(0).CellRect, &grid->Cells(1).CellRect));
        Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 30, 30);
        ASSERT_EQ(data.size(), 1u);
        EXPECT_EQ(data[0].ItemIndex, grid->Cells(0).ItemIndex);
        EXPECT_EQ(data[0].Text, grid->Cells(0).Text);
        data.clear();
        events.clear();
        grid->StopRun();
    }
}
