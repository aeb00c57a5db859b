#include "grid/WSBaseControl.h"

using namespace ui;

TBaseGrid::TBaseGrid(TComponent* owner) : TCustomPanel(owner) {
    FRefreshTimer = std::make_unique<TTimer>();
    FRefreshTimer->SetEnabled(false);
    FRefreshTimer->SetInterval(1000);
    FRefreshTimer->OnTimer = [this](TObject* sender) { TimerFired(sender); };
}

TBaseGrid::~TBaseGrid() {
    FRefreshTimer->SetEnabled(false);
    FRefreshTimer.reset();
}

void TBaseGrid::SetPicture(const TPicture& v) {
    FPicture.Assign(v);
    Invalidate();
}

void TBaseGrid::SetStretchBackground(bool v) {
    if (v == FStretchBackground) return;
    FStretchBackground = v;
    Invalidate();
}

void TBaseGrid::SetImageAutoSize(bool v) {
    if (v == FImageAutoSize) return;
    FImageAutoSize = v;
    Invalidate();
}

void TBaseGrid::SetImageAlign(TImageAlign v) {
    if (v == FImageAlign) return;
    FImageAlign = v;
    Invalidate();
}

void TBaseGrid::SetImageTransparent(bool v) {
    if (v == FImageTransparent) return;
    FImageTransparent = v;
    Invalidate();
}

void TBaseGrid::SetRowCount(int v) {
    if (v == FRowCount) return;
    FRowCount = v;
    RowCountChanged();
    Invalidate();
}

void TBaseGrid::SetColCount(int v) {
    if (v == FColCount) return;
    FColCount = v;
    ColCountChanged();
    Invalidate();
}

void TBaseGrid::GetCellArea(RECT& r) {
    InflateRect(&r, -FBorderWidth, -FBorderWidth);
    int bevel = (FBevelOuter != TBevelCut::bvNone ? FBevelWidth : 0) +
                (FBevelInner != TBevelCut::bvNone ? FBevelWidth : 0);
    InflateRect(&r, -bevel, -bevel);
}

RECT TBaseGrid::GetCellRect(int Row, int Col) {
    RECT a = ClientRect();
    GetCellArea(a);
    if (FRowCount < 1 || FColCount < 1) return RECT{a.left, a.top, a.left, a.top};
    // Equal cells: the quotient is truncated toward zero, the remainder belongs to no cell.
    int w = static_cast<int>(static_cast<double>(a.right - a.left) / FColCount);
    int h = static_cast<int>(static_cast<double>(a.bottom - a.top) / FRowCount);
    RECT r;
    r.left = a.left + Col * w;
    r.top = a.top + Row * h;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

void TBaseGrid::TimerFired(TObject*) {
    if (Designing) return;
    RefreshCells();
}

void TBaseGrid::StartRun() {
    if (OnStart) OnStart(this);
}

bool TBaseGrid::StopRun() {
    FRefreshTimer->SetEnabled(false);
    bool selfFree = false;
    if (OnStop) OnStop(this, selfFree);
    return selfFree;
}

void TBaseGrid::ResumeRun() {
    if (OnResume) OnResume(this);
}

void TBaseGrid::PauseRun() {
    if (OnPause) OnPause(this);
}

void TBaseGrid::PaintGridBackground(TCanvas& canvas, const RECT& client) {
    const TBitmap* picture = FPicture.Graphic();
    // The buffer holds the previous paint: whatever the picture may leave uncovered (it is
    // unscaled, or has a transparent colour) is filled with Color first.
    if (!picture || !FStretchBackground || picture->Transparent()) canvas.FillRect(client);
    if (!picture) return;
    if (FStretchBackground) canvas.StretchDraw(client, *picture);
    else canvas.Draw(0, 0, *picture);
}

TBitmap& TBaseGrid::ComposePaint() {
    FBuffer.SetSize(FWidth, FHeight);
    TCanvas& canvas = FBuffer.Canvas();
    canvas.Brush.SetColor(FColor);
    canvas.Brush.SetStyle(TBrushStyle::bsSolid);
    canvas.Font.Assign(FFont);
    canvas.Pen.SetColor(clBlack);
    canvas.Pen.SetWidth(1);
    RECT client = ClientRect();
    PaintGridBackground(canvas, client);
    DrawCells(canvas);
    // The cells never reach into the frames, which therefore cover background only.
    DrawFrames(canvas, client);
    return FBuffer;
}

void TBaseGrid::PaintWindow(HDC dc, const RECT&) {
    // Composed off-screen, copied to the window in one block.
    TBitmap& buffer = ComposePaint();
    RECT client = ClientRect();
    if (buffer.Empty()) return;
    BitBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, buffer.DC(),
           client.left, client.top, SRCCOPY);
}
