#include "module/UnitModuleForm.h"
#include <cmath>
#include <windows.h>
#include <mmsystem.h>
#include "platform/ui/Sound.h"
#include "contract/ConfigDocument.h"

using namespace ui;

namespace {

// The wave image the system may still be reading (the last one we asked it to play).
const std::uint8_t* gPlayingWave = nullptr;

// A whole file in memory; empty when it is missing or cannot be read (that sound stays silent).
std::vector<std::uint8_t> LoadFileData(const std::wstring& fileName) {
    std::vector<std::uint8_t> data;
    HANDLE f = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return data;
    LARGE_INTEGER size{};
    // A click sound is a short wave file; anything huge is not one.
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart <= 64 * 1024 * 1024) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size())
            data.clear();
    }
    CloseHandle(f);
    return data;
}

}  // namespace

TClickSound& ClickSound() {
    static TClickSound sound{
        [](const std::vector<std::uint8_t>& wave, unsigned flags) {
            ui::TSoundThread::Instance().PlayMemory(wave.data(), flags);
        },
        [] { ui::TSoundThread::Instance().Stop(); },
    };
    return sound;
}

// ----- creation and end ---------------------------------------------------------------------

TModuleForm::TModuleForm(TComponent* owner) : TForm(owner) {
    // The stored layout of the form.
    SetBorderStyle(TBorderStyle::bsNone);
    SetVisible(false);
    SetClientSize(862, 466);
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

    RzPageControl1 = new TPageControl(this);
    RzPageControl1->Name = L"RzPageControl1";
    RzPageControl1->SetAlign(TAlign::alClient);
    RzPageControl1->SetParent(this);

    TabSheet1 = new TTabSheet(this);
    TabSheet1->Name = L"TabSheet1";
    TabSheet1->SetColor(clBlack);
    TabSheet1->SetPageControl(RzPageControl1);
    TabSheet1->OnResize = [this](TObject* s) { TabSheet1Resize(s); };

    DGridImage1 = new TDGridImage(this);
    DGridImage1->Name = L"DGridImage1";
    DGridImage1->SetBevelOuter(TBevelCut::bvNone);
    DGridImage1->SetColor(clBlack);
    DGridImage1->SetTextAlign(TTextAlign::taCenter);
    DGridImage1->SetImageTransparent(true);
    DGridImage1->SetStretchBackground(true);
    DGridImage1->SetParent(TabSheet1);
    DGridImage1->OnCellMouseOver = [this](TObject* s, TMouserOverData d) { DGridImage1CellMouseOver(s, std::move(d)); };
    DGridImage1->OnCellMouseLeave = [this](TObject* s, TMouserOverData d) { DGridImage1CellMouseLeave(s, std::move(d)); };
    DGridImage1->OnCellClick = [this](TObject* s, TMouserOverData d) { DGridImage1CellClick(s, std::move(d)); };
    DGridImage1->OnStop = [this](TObject* s, bool& selfFree) { DGridImage1Stop(s, selfFree); };

    TabSheet2 = new TTabSheet(this);
    TabSheet2->Name = L"TabSheet2";
    TabSheet2->SetPageControl(RzPageControl1);
    TabSheet2->OnResize = [this](TObject* s) { TabSheet2Resize(s); };

    BkArticleTitle = new TGradientBackground(this);
    BkArticleTitle->Name = L"BkArticleTitle";
    BkArticleTitle->SetAlign(TAlign::alClient);
    BkArticleTitle->SetShowGradient(true);
    BkArticleTitle->SetGradientStyle(TGradientStyle::gdBigSquareBox);
    BkArticleTitle->SetColors(14194785, 7745028);
    BkArticleTitle->SetParent(TabSheet2);

    RzLabel1 = new TLabel(this);
    RzLabel1->Name = L"RzLabel1";
    RzLabel1->Font().SetName(L"楷体_GB2312");
    RzLabel1->Font().SetHeight(-48);
    RzLabel1->Font().SetStyle(fsBold);
    RzLabel1->Font().SetColor(8454016);
    RzLabel1->Font().SetCharset(GB2312_CHARSET);
    RzLabel1->SetTransparent(true);
    RzLabel1->SetAutoSize(true);
    RzLabel1->SetParent(TabSheet2);

    Timer1 = new TTimer(this);
    Timer1->Name = L"Timer1";
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);
    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };

    FormCreate();
}

TModuleForm::~TModuleForm() {
    FormDestroy();
    // The components go with the form (TComponent).
}

void TModuleForm::FormCreate() {
    FExeDir = Application().ExeDir();
    FRemaining.clear();
    // A sound that cannot be read stays silent; the exercise runs without it.
    FRightSound = LoadFileData(FExeDir + L"Sound\\right.wav");
    FWrongSound = LoadFileData(FExeDir + L"Sound\\wrong.wav");
    FCountdown = 3;
    FXMLDocument = std::make_unique<xml::Document>();
    for (int i = 0; i < RzPageControl1->PageCount(); ++i) RzPageControl1->Pages(i)->SetTabVisible(false);
    FState = 0;
    Timer1->SetEnabled(false);
}

void TModuleForm::FormDestroy() {
    // The system plays a memory sound from our buffer until it ends: stop it before the buffer goes.
    auto ours = [](const std::vector<std::uint8_t>& v) { return !v.empty() && gPlayingWave == v.data(); };
    if (ours(FRightSound) || ours(FWrongSound)) {
        if (ClickSound().StopAll) ClickSound().StopAll();
        gPlayingWave = nullptr;
    }
    FTestsNode = nullptr;
    FXMLDocument.reset();
    FRemaining.clear();
    FRightSound.clear();
    FWrongSound.clear();
}

void TModuleForm::FormClose(TObject*, TCloseAction& Action) { Action = TCloseAction::caFree; }

// ----- configuration and tests --------------------------------------------------------------

void TModuleForm::ReadConfig(const std::wstring& Text) {
    FTestsNode = nullptr;
    config::TSectionConfig section = config::ReadSection(*FXMLDocument, Text);
    FTestsNode = section.Tests;
    if (FTestsNode->ChildCount() > 0) LoadTest();
}

void TModuleForm::LoadTest() {
    FState = 0;
    FTestLoaded = false;
    config::TTestConfig test = config::ReadTest(*FTestsNode, static_cast<size_t>(FTestIndex));
    FTestRowCount = test.RowCount;
    FTestColCount = test.ColCount;
    FTestMinNumber = test.MinNumber;
    FTestMaxNumber = test.MaxNumber;
    FTestIntervals = test.Intervals;
    FTestFontName = test.FontName;
    FTestFontSize = test.FontSize;
    FTestSound = test.Sound;

    TDGridImage& grid = *DGridImage1;
    grid.SetDrawType(TDrawType::dtNumber);
    // Through the list the property hands out: the pool is built from it when the run starts.
    TStrings& numbers = grid.Numbers();
    numbers.Clear();
    for (const std::wstring& n : test.Numbers) numbers.Add(n);
    FRemaining.assign(test.Numbers.begin(), test.Numbers.end());
    grid.SetRunTime(2);
    grid.Font().SetName(FTestFontName);
    grid.SetIntervals(FTestIntervals);
    grid.Font().SetSize(FTestFontSize);
    grid.Font().SetColor(65535);
    grid.Font().SetStyle(fsBold);
    grid.SetColor(0);
    grid.SetTextAlign(TTextAlign::taCenter);
    grid.SetWaveFile(FExeDir + L"sound\\pop.wav");
    grid.SetBeepOnRefresh(FTestSound);
    grid.SetUseWaveFile(FTestSound);
    grid.SetRowCount(FTestRowCount);
    grid.SetColCount(FTestColCount);
    grid.ClearCells();
    FTestLoaded = true;
}

void TModuleForm::SetState(int NewState) {
    FState = NewState;
    if (FState == 1) {
        RzPageControl1->SetActivePage(TabSheet1);
        DGridImage1->Invalidate();
        DGridImage1->StartRun();
    } else if (FState == 2) {
        RzPageControl1->SetActivePage(TabSheet2);
        if (!FRemaining.empty())
            RzLabel1->SetCaption(L"还有" + std::to_wstring(FRemaining.size()) + L"个没有数，下次加油！");
        else
            RzLabel1->SetCaption(L"恭喜你");
        SendMessageW(TabSheet2->Handle(), WM_SIZE, 0, 0);
        Timer1->SetEnabled(true);
    }
}

void TModuleForm::StartTest() {
    // Without a test the grid has nothing to show: say so instead of running an empty grid.
    if (!FTestLoaded) throw Exception(L"配置中没有可以开始的测试");
    FStopped = false;
    SetState(1);
    if (auto cb = OnModuleStart) cb();
}

void TModuleForm::DGridImage1Stop(TObject*, bool& SelfFree) {
    SelfFree = false;
    if (!FStopped) SetState(FState + 1);
}

void TModuleForm::Timer1Timer(TObject*) {
    if (FCountdown != 0) {
        --FCountdown;
        return;
    }
    Timer1->SetEnabled(false);
    ++FTestIndex;
    if (FTestsNode && FTestsNode->ChildCount() > static_cast<size_t>(FTestIndex)) {
        LoadTest();
        StartTest();
    } else {
        // The module object may be released inside: nothing of the form after this.
        if (auto cb = OnModuleStop) cb();
    }
}

void TModuleForm::PauseExercise() {
    if (FState == 1) DGridImage1->PauseRun();
    else if (FState == 2) Timer1->SetEnabled(false);
    if (auto cb = OnModulePause) cb();
}

void TModuleForm::ResumeExercise() {
    if (FState == 1) DGridImage1->ResumeRun();
    else if (FState == 2) Timer1->SetEnabled(true);
    if (auto cb = OnModuleResume) cb();
}

void TModuleForm::StopExercise() {
    FStopped = true;
    Timer1->SetEnabled(false);
    DGridImage1->StopRun();
}

// ----- layout -------------------------------------------------------------------------------

void TModuleForm::TabSheet1Resize(TObject*) {
    DGridImage1->SetBounds(10, 10, ClientWidth() - 20, ClientHeight() - 20);
}

void TModuleForm::TabSheet2Resize(TObject*) {
    RzLabel1->SetBounds((ClientWidth() - RzLabel1->Width()) / 2, (ClientHeight() - RzLabel1->Height()) / 2,
                        RzLabel1->Width(), RzLabel1->Height());
}

// ----- answer checking and cell feedback ----------------------------------------------------

void TModuleForm::PlayClickSound(const std::vector<std::uint8_t>& wave) {
    if (wave.empty()) return;
    gPlayingWave = wave.data();
    if (ClickSound().PlayMemory) ClickSound().PlayMemory(wave, SND_ASYNC | SND_MEMORY);
}

void TModuleForm::DGridImage1CellClick(TObject*, TMouserOverData CurrentData) {
    if (FRemaining.empty()) return;
    if (FRemaining.front() == CurrentData.Text) {
        PlayClickSound(FRightSound);
        FRemaining.pop_front();
        // The grid clears its cells and comes back through DGridImage1Stop with the result page.
        if (FRemaining.empty()) DGridImage1->StopRun();
    } else {
        PlayClickSound(FWrongSound);
    }
}

void TModuleForm::PaintCell(const TMouserOverData& cell, TColor brush) {
    DGridImage1->SetCursor(crHandPoint);
    HWND wnd = DGridImage1->Handle();
    HDC dc = GetDC(wnd);
    if (!dc) return;
    struct TReleaseDC {
        HWND w;
        HDC d;
        ~TReleaseDC() { ReleaseDC(w, d); }
    } release{wnd, dc};
    // Declared after the guard: the canvas lets go of the DC before it is released.
    TCanvas canvas(dc);
    canvas.Brush.SetColor(brush);
    canvas.Rectangle(cell.CellRect);
    canvas.Font.Assign(DGridImage1->Font());
    RECT measure{0, 0, 0, 0};
    canvas.DrawText(cell.Text, measure, DT_CALCRECT);
    const int textWidth = measure.right, textHeight = measure.bottom;
    RECT r = cell.CellRect;
    if (DGridImage1->TextAlign() == TTextAlign::taCenter) {
        r.left = static_cast<LONG>(std::trunc(r.left + (r.right - r.left) / 2.0 - textWidth / 2.0));
        r.top = static_cast<LONG>(std::trunc(r.top + (r.bottom - r.top) / 2.0 - textHeight / 2.0));
    }
    canvas.DrawText(cell.Text, r, DT_END_ELLIPSIS);
}

void TModuleForm::DGridImage1CellMouseOver(TObject*, TMouserOverData CurrentData) {
    if (CurrentData.Row == -1 || CurrentData.Col == -1) return;
    PaintCell(CurrentData, HighlightColor);
}

void TModuleForm::DGridImage1CellMouseLeave(TObject*, TMouserOverData CurrentData) {
    PaintCell(CurrentData, DGridImage1->Color());
}
