// The exercise form driven in-process, as the module object drives it: configuration, the test
// sequence with its result page, clicks judged through real mouse messages, the hover highlight.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <filesystem>
#include <map>
#include "module/UnitModuleForm.h"
#include "platform/Text.h"
#include "tests/support/Pump.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

std::wstring TestElement(int rows, int cols, int min, int max, int intervals, const std::wstring& extra = L"") {
    return L"<test rowCount=\"" + std::to_wstring(rows) + L"\" colCount=\"" + std::to_wstring(cols) +
           L"\" minNumber=\"" + std::to_wstring(min) + L"\" maxNumber=\"" + std::to_wstring(max) +
           L"\" intervals=\"" + std::to_wstring(intervals) + L"\" fontName=\"宋体\" fontSize=\"20\" sound=\"0\"" +
           extra + L"/>";
}

std::wstring Section(const std::wstring& tests) {
    return L"<section type=\"20\" GUID=\"{2A0C851E-3871-4741-938E-6EDFDA67067B}\"><caption>舒尔特表</caption>"
           L"<description>d</description><display splash=\"1\"/><tests>" + tests + L"</tests></section>";
}

struct TPlayed {
    const std::uint8_t* data;
    unsigned flags;
};

class FormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ui::Application().Initialize(); }

    void SetUp() override {
        ClickSound().PlayMemory = [this](const std::vector<std::uint8_t>& w, unsigned f) { played.push_back({w.data(), f}); };
        ClickSound().StopAll = [this] { ++stops; };
        ui::Application().OnShowError = [this](const std::wstring& m) { errors.push_back(m); };
        host = std::make_unique<ui::TForm>();
        host->SetBorderStyle(ui::TBorderStyle::bsSingle);
        host->SetBounds(0, 0, 720, 540);
        host->Show();
        form = NewForm();
    }
    void TearDown() override {
        if (form) delete form;
        host.reset();
        PumpFor(10);
        ui::Application().OnShowError = nullptr;
    }

    TModuleForm* NewForm() {
        auto* f = new TModuleForm();
        f->OnModuleStart = [this, f] { events.push_back(L"start@" + std::to_wstring(f->State())); };
        f->OnModuleStop = [this] { events.push_back(L"stop"); };
        f->OnModulePause = [this] { events.push_back(L"pause"); };
        f->OnModuleResume = [this] { events.push_back(L"resume"); };
        f->Timer1->SetInterval(20);  // the result page's second, shortened
        return f;
    }

    // What the module object's Start does.
    void Start(const std::wstring& tests, int width = 700, int height = 500) {
        form->ReadConfig(Section(tests));
        form->SetParentWindow(host->Handle());
        form->SetBounds(0, 0, width, height);
        form->Show();
        form->StartTest();
    }

    const TMouserOverData* CellWithText(const std::wstring& text) {
        for (int i = 0; i < form->DGridImage1->CellCount(); ++i)
            if (form->DGridImage1->Cells(i).Text == text) return &form->DGridImage1->Cells(i);
        return nullptr;
    }
    // A real mouse press (and release) on the centre of the cell that shows text.
    void Click(const std::wstring& text, UINT down = WM_LBUTTONDOWN) {
        const TMouserOverData* c = CellWithText(text);
        ASSERT_NE(c, nullptr) << "no cell shows " << ToUtf8(text);
        LPARAM at = MAKELPARAM((c->CellRect.left + c->CellRect.right) / 2, (c->CellRect.top + c->CellRect.bottom) / 2);
        HWND g = form->DGridImage1->Handle();
        SendMessageW(g, down, down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, at);
        SendMessageW(g, down == WM_RBUTTONDOWN ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    }
    std::wstring Caption() { return form->RzLabel1->Caption(); }
    bool OnResultPage() { return form->State() == 2 && form->RzPageControl1->ActivePage() == form->TabSheet2; }

    std::unique_ptr<ui::TForm> host;
    TModuleForm* form = nullptr;
    std::vector<TPlayed> played;
    int stops = 0;
    std::vector<std::wstring> errors;
    std::vector<std::wstring> events;
};

}  // namespace

TEST_F(FormTest, CreationLoadsBothSoundsAndHidesTheTabs) {
    EXPECT_FALSE(form->RightSound().empty());
    EXPECT_FALSE(form->WrongSound().empty());
    EXPECT_NE(form->RightSound(), form->WrongSound());
    EXPECT_EQ(form->Countdown(), 3);
    EXPECT_EQ(form->State(), 0);
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_EQ(form->RzPageControl1->TabHeight(), 0);
    EXPECT_FALSE(form->Visible());
}

TEST_F(FormTest, TimeRunsOutWithNoClick) {
    Start(TestElement(3, 3, 1, 9, 300));
    EXPECT_EQ(events, std::vector<std::wstring>{L"start@1"});
    EXPECT_EQ(form->DGridImage1->CellCount(), 9);
    ASSERT_TRUE(PumpUntil([&] { return form->State() == 2; }, 5000));
    EXPECT_TRUE(OnResultPage());
    EXPECT_EQ(Caption(), L"还有9个没有数，下次加油！");
    // Centred on the page with its new size.
    EXPECT_EQ(form->RzLabel1->Left(), (form->ClientWidth() - form->RzLabel1->Width()) / 2);
    EXPECT_EQ(form->RzLabel1->Top(), (form->ClientHeight() - form->RzLabel1->Height()) / 2);
    EXPECT_GT(form->RzLabel1->Width(), 48 * 5);
    EXPECT_TRUE(form->Timer1->Enabled());
}

TEST_F(FormTest, ClickingAllNumbersInOrderShowsTheResultAtOnce) {
    Start(TestElement(3, 3, 1, 9, 60000));
    for (int n = 1; n <= 8; ++n) Click(std::to_wstring(n));
    EXPECT_EQ(form->State(), 1);
    Click(L"9");
    // Within the click's own handling: no message pumped since.
    EXPECT_TRUE(OnResultPage());
    EXPECT_EQ(Caption(), L"恭喜你");
    EXPECT_EQ(form->DGridImage1->CellCount(), 0);
    ASSERT_EQ(played.size(), 9u);
    for (const TPlayed& p : played) {
        EXPECT_EQ(p.data, form->RightSound().data());
        EXPECT_EQ(p.flags, unsigned(SND_ASYNC | SND_MEMORY));
    }
}

TEST_F(FormTest, WrongRepeatedAndRightButtonClicks) {
    Start(TestElement(4, 4, 1, 16, 60000));
    Click(L"3");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].data, form->WrongSound().data());
    EXPECT_EQ(form->Remaining().size(), 16u);
    Click(L"1", WM_RBUTTONDOWN);  // every button counts
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1].data, form->RightSound().data());
    ASSERT_EQ(form->Remaining().size(), 15u);
    EXPECT_EQ(form->Remaining().front(), L"2");
    Click(L"1");  // found already
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[2].data, form->WrongSound().data());
    EXPECT_EQ(form->Remaining().size(), 15u);
    EXPECT_EQ(form->State(), 1);
    // Thirteen found, three left when the time runs out.
    for (int n = 2; n <= 13; ++n) Click(std::to_wstring(n));
    form->DGridImage1->SetIntervals(50);  // restarts the interval: the time runs out now
    ASSERT_TRUE(PumpUntil([&] { return form->State() == 2; }, 5000));
    EXPECT_EQ(Caption(), L"还有3个没有数，下次加油！");
    EXPECT_EQ(form->RzLabel1->Left(), (form->ClientWidth() - form->RzLabel1->Width()) / 2);
}

TEST_F(FormTest, TwoTestsRunOneAfterTheOtherWithTheCountdownOnlyOnce) {
    std::map<int, int> ticksOnPage;  // test index -> result-page ticks
    auto original = form->Timer1->OnTimer;
    form->Timer1->OnTimer = [&, original](ui::TObject* s) {
        ++ticksOnPage[form->TestIndex()];
        original(s);
    };
    Start(TestElement(3, 3, 1, 9, 100) + TestElement(2, 2, 1, 4, 100));
    ASSERT_TRUE(PumpUntil([&] { return !events.empty() && events.back() == L"stop"; }, 10000));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"start@1", L"start@1", L"stop"}));
    EXPECT_EQ(ticksOnPage[0], 4);
    EXPECT_EQ(ticksOnPage[1], 1);
    EXPECT_EQ(form->TestIndex(), 2);
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_EQ(Caption(), L"还有4个没有数，下次加油！");
    PumpFor(100);
    EXPECT_EQ(events.size(), 3u) << "nothing after the stop";
}

TEST_F(FormTest, MinimumAboveMaximumEndsAtOnce) {
    Start(TestElement(3, 3, 5, 4, 60000));
    EXPECT_TRUE(OnResultPage());
    EXPECT_EQ(Caption(), L"恭喜你");
    // OnModuleStart comes after the page has switched.
    EXPECT_EQ(events, std::vector<std::wstring>{L"start@2"});
}

TEST_F(FormTest, NumbersAndCellsOfDifferentCounts) {
    struct Case { int rows, cols, max, firstCells, secondCells; };
    for (Case k : {Case{4, 4, 9, 9, -1}, Case{3, 3, 16, 9, 7}}) {
        SCOPED_TRACE(k.max);
        if (form) delete form;
        form = NewForm();
        Start(TestElement(k.rows, k.cols, 1, k.max, 150));
        EXPECT_EQ(form->DGridImage1->CellCount(), k.firstCells);
        if (k.secondCells >= 0) {
            ASSERT_TRUE(PumpUntil([&] { return form->DGridImage1->RunCount() == 2 || form->State() == 2; }, 3000));
            EXPECT_EQ(form->State(), 1);
            EXPECT_EQ(form->DGridImage1->CellCount(), k.secondCells);
        }
        ASSERT_TRUE(PumpUntil([&] { return form->State() == 2; }, 3000));
    }
}

TEST_F(FormTest, PauseHoldsTheCountdownAndResumeLetsItGo) {
    Start(TestElement(1, 1, 1, 1, 60000));
    Click(L"1");
    ASSERT_TRUE(OnResultPage());
    form->Timer1->SetInterval(40);
    form->PauseExercise();
    EXPECT_FALSE(form->Timer1->Enabled());
    int held = form->Countdown();
    PumpFor(200);
    EXPECT_EQ(form->Countdown(), held);
    form->ResumeExercise();
    EXPECT_TRUE(form->Timer1->Enabled());
    ASSERT_TRUE(PumpUntil([&] { return !events.empty() && events.back() == L"stop"; }, 5000));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"start@1", L"pause", L"resume", L"stop"}));
}

TEST_F(FormTest, StopDuringATestLeavesTheGridPageAndRaisesNothing) {
    Start(TestElement(3, 3, 1, 9, 100));
    form->StopExercise();
    EXPECT_TRUE(form->Stopped());
    EXPECT_EQ(form->DGridImage1->CellCount(), 0);
    PumpFor(400);  // past the test's interval: no result page may follow
    EXPECT_EQ(form->State(), 1);
    EXPECT_EQ(form->RzPageControl1->ActivePage(), form->TabSheet1);
    EXPECT_EQ(events, std::vector<std::wstring>{L"start@1"});
}

TEST_F(FormTest, ResizingPlacesTheGridInsideATenPixelMargin) {
    Start(TestElement(3, 3, 1, 9, 60000));
    form->SetBounds(0, 0, 600, 400);
    RECT r = form->DGridImage1->BoundsRect();
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right - r.left, 580);
    EXPECT_EQ(r.bottom - r.top, 380);
    RECT w;
    GetWindowRect(form->DGridImage1->Handle(), &w);
    EXPECT_EQ(w.right - w.left, 580);
}

TEST_F(FormTest, HoverHighlightsTheCellOnTheWindowAndLeavePaintsItBack) {
    Start(TestElement(2, 2, 1, 4, 60000));
    HWND g = form->DGridImage1->Handle();
    UpdateWindow(g);
    auto pixel = [&](const RECT& r) {
        HDC dc = GetDC(g);
        COLORREF c = GetPixel(dc, r.left + 3, r.top + 3);
        ReleaseDC(g, dc);
        return c;
    };
    RECT first = CellWithText(L"1")->CellRect, second = CellWithText(L"2")->CellRect;
    auto moveTo = [&](const RECT& r) {
        SendMessageW(g, WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    };
    EXPECT_EQ(pixel(first), RGB(0, 0, 0));
    moveTo(first);
    EXPECT_EQ(pixel(first), RGB(15, 15, 15));
    EXPECT_EQ(ui::ColorToRGB(TModuleForm::HighlightColor), RGB(15, 15, 15));
    EXPECT_EQ(form->DGridImage1->Cursor(), ui::crHandPoint);
    moveTo(second);
    EXPECT_EQ(pixel(first), RGB(0, 0, 0));
    EXPECT_EQ(pixel(second), RGB(15, 15, 15));
    // Any paint of the grid shows the cell without highlight again.
    form->DGridImage1->Repaint();
    EXPECT_EQ(pixel(second), RGB(0, 0, 0));
}

TEST_F(FormTest, ErrorInALaterTestShowsWhenDueAndTheResultPageStays) {
    Start(TestElement(1, 1, 1, 1, 60000) + L"<test rowCount=\"x\"/>");
    Click(L"1");
    ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }, 5000));
    EXPECT_EQ(errors, std::vector<std::wstring>{L"'x' 不是一个有效的整形值"});
    EXPECT_EQ(form->RzPageControl1->ActivePage(), form->TabSheet2);
    EXPECT_FALSE(form->Timer1->Enabled());
    PumpFor(200);
    EXPECT_EQ(events, std::vector<std::wstring>{L"start@1"});
}

TEST_F(FormTest, BadConfigurationsFailWithTheirMessage) {
    struct Case { std::wstring text, message; };  // message "" : any message will do
    const std::wstring numbers = L"<test rowCount=\"3\" colCount=\"3\" minNumber=\"1\" maxNumber=\"9\" intervals=\"100\" ";
    const Case cases[] = {
        {L"<section><caption>c</caption>", L""},
        {Section(numbers + L"fontName=\"a\" fontSize=\"9\" sound=\"maybe\"/>"), L"'maybe' 不是一个有效的布尔值"},
        {Section(numbers + L"fontName=\"a\" fontSize=\"9.5\" sound=\"1\"/>"), L"'9.5' 不是一个有效的整形值"},
        {Section(numbers + L"fontName=\"a\" sound=\"1\"/>"), L""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(ToUtf8(k.text));
        delete form;
        form = NewForm();
        try {
            form->ReadConfig(k.text);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            if (!k.message.empty()) {
                EXPECT_EQ(e.Message(), k.message);
            }
            EXPECT_FALSE(e.Message().empty());
        }
        EXPECT_EQ(form->State(), 0);
        EXPECT_THROW(form->StartTest(), Exception);
    }
}

TEST_F(FormTest, StartingWithoutATestFailsClearly) {
    for (bool read : {false, true}) {
        if (form) delete form;
        form = NewForm();
        if (read) form->ReadConfig(Section(L""));
        form->SetParentWindow(host->Handle());
        form->Show();
        EXPECT_THROW(form->StartTest(), Exception);
        EXPECT_EQ(form->State(), 0);
        EXPECT_TRUE(events.empty());
    }
}

TEST_F(FormTest, SoundsStopBeforeTheirBuffersAreFreed) {
    Start(TestElement(2, 2, 1, 4, 60000));
    Click(L"1");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(stops, 0);
    delete form;
    form = nullptr;
    EXPECT_EQ(stops, 1);
    // A form that never played leaves other sounds alone.
    form = NewForm();
    delete form;
    form = nullptr;
    EXPECT_EQ(stops, 1);
}

TEST_F(FormTest, AMissingSoundFileLeavesThatSoundSilentAndTheRestIntact) {
    namespace fs = std::filesystem;
    fs::path right = fs::path(ui::Application().ExeDir()) / L"Sound" / L"right.wav";
    fs::path aside = right;
    aside += L".aside";
    fs::rename(right, aside);
    TModuleForm* f = nullptr;
    try {
        delete form;
        form = f = NewForm();
    } catch (...) {
    }
    fs::rename(aside, right);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(form->RightSound().empty());
    EXPECT_FALSE(form->WrongSound().empty());
    EXPECT_EQ(form->Countdown(), 3);
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_TRUE(errors.empty());
    Start(TestElement(1, 2, 1, 2, 60000));
    Click(L"2");
    Click(L"1");  // right, and silent
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].data, form->WrongSound().data());
    EXPECT_EQ(form->Remaining().size(), 1u);
}
