#include <gtest/gtest.h>
#include "platform/Text.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Sound.h"
#include <mmsystem.h>
#include "tests/support/Pump.h"
#include <vector>

using namespace ui;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class Label : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    void Paint(TCanvas& c) override {
        c.Brush.SetColor(FColor);
        RECT r{0, 0, FWidth, FHeight};
        c.FillRect(r);
    }
};

std::unique_ptr<TBitmap> Snapshot(TWinControl& w) {
    auto b = std::make_unique<TBitmap>(w.Width(), w.Height());
    SendMessageW(w.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(b->DC()), PRF_CLIENT);
    return b;
}

}  // namespace

// Bytes that are no UTF-8 character become U+FFFD, never the character they appear to spell nor a
// 16-bit cut of it; a character past the BMP becomes one surrogate pair.
TEST(Text, Utf8DecodingReplacesWhatIsNoCharacter) {
    struct Case { const char* name; std::string bytes; std::wstring text; };
    const Case cases[] = {
        {"ASCII and CJK", "a\xE8\x88\x92", L"a\u8212"},
        {"past the BMP", "\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
        {"overlong '/'", "<a\xC0\xAF>", L"<a\xFFFD>"},
        {"overlong NUL", "\xC0\x80x", L"\xFFFD" L"x"},
        {"overlong three-byte", "\xE0\x80\xAF", L"\xFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", L"\xFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", L"\xFFFD"},
        {"lone continuation byte", "\x80" "a", L"\xFFFD" L"a"},
        {"truncated at the end", "a\xE4\xB8", L"a\xFFFD"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUtf16(c.bytes), c.text) << c.name;
}

// The sound thread keeps the caller from waiting for the system's sound calls, keeps their order,
// drops only a sound that a newer one would cut off, and on Stop returns only when everything
// asked for before has been served. Without users it serves on the caller's thread.
TEST(SoundThread, ServesInOrderOffTheCallersThreadAndStopWaits) {
    struct Call { DWORD thread; const void* sound; unsigned flags; };
    std::vector<Call> calls;
    SRWLOCK lock = SRWLOCK_INIT;
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const char a = 'a', b = 'b', c = 'c', d = 'd';
    TSoundThread sounds(TSoundThread::TSystem{
        [&](LPCWSTR sound, unsigned flags) {
            if (sound == reinterpret_cast<LPCWSTR>(&a)) {
                SetEvent(entered);
                WaitForSingleObject(gate, 10000);
            }
            AcquireSRWLockExclusive(&lock);
            calls.push_back({GetCurrentThreadId(), sound, flags});
            ReleaseSRWLockExclusive(&lock);
        },
        [&](unsigned frequency, unsigned) {
            AcquireSRWLockExclusive(&lock);
            calls.push_back({GetCurrentThreadId(), nullptr, frequency});
            ReleaseSRWLockExclusive(&lock);
        },
    });
    sounds.Acquire();
    sounds.PlayMemory(&a, SND_ASYNC | SND_MEMORY);
    ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);
    sounds.PlayMemory(&b, 5);  // still waiting when c comes: dropped
    sounds.PlayMemory(&c, 5);
    SetEvent(gate);
    sounds.Stop();
    AcquireSRWLockExclusive(&lock);
    std::vector<Call> served = calls;
    ReleaseSRWLockExclusive(&lock);
    ASSERT_EQ(served.size(), 3u);
    EXPECT_EQ(served[0].sound, &a);
    EXPECT_EQ(served[0].flags, static_cast<unsigned>(SND_ASYNC | SND_MEMORY));
    EXPECT_EQ(served[1].sound, &c);
    EXPECT_EQ(served[2].sound, nullptr) << "the stop";
    for (const Call& k : served) EXPECT_NE(k.thread, GetCurrentThreadId());

    sounds.Beep(800, 1);
    sounds.Release();  // joins: the beep and the final stop are served before it returns
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3].flags, 800u);
    EXPECT_EQ(calls[4].sound, nullptr) << "the last user stops every sound";

    sounds.PlayMemory(&d, 5);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[5].sound, &d);
    EXPECT_EQ(calls[5].thread, GetCurrentThreadId());
    CloseHandle(entered);
    CloseHandle(gate);
}

TEST(Timer, TicksRestartsOnRealChangesAndNeverAtZero) {
    TTimer t;
    t.SetInterval(30);
    int ticks = 0;
    t.OnTimer = [&](TObject*) { ++ticks; };
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));

    t.SetInterval(0);
    int before = ticks;
    PumpFor(120);
    EXPECT_EQ(ticks, before) << "interval 0 must never tick";

    t.SetEnabled(false);
    t.SetInterval(40);
    PumpFor(100);
    EXPECT_EQ(ticks, before) << "a disabled timer must not tick";
    t.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks > before; }));
}

TEST(Timer, ExceptionFromHandlerGoesToErrorDisplayAndTimerKeepsRunning) {
    std::vector<std::wstring> shown;
    Application().OnShowError = [&](const std::wstring& m) { shown.push_back(m); };
    TTimer t;
    t.SetInterval(20);
    int ticks = 0;
    t.OnTimer = [&](TObject*) {
        ++ticks;
        throw Exception(L"boom");
    };
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], L"boom");
    Application().OnShowError = nullptr;
}

TEST(ErrorDisplay, ShowsOneErrorAtATime) {
    std::vector<std::wstring> shown;
    Application().OnShowError = [&](const std::wstring& m) {
        shown.push_back(m);
        // An error raised while the display is open is not stacked on top of it.
        Application().ShowError(L"nested");
    };
    Application().ShowError(L"first");
    Application().ShowError(L"second");
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"first", L"second"}));
    Application().OnShowError = nullptr;
}

TEST(Form, ReleaseFreesThroughPostedMessageAndWindowsCountBack) {
    long start = LiveWindowCount();
    bool destroyed = false;
    struct F : TForm {
        bool* flag;
        explicit F(bool* f) : flag(f) {}
        ~F() override { *flag = true; }
    };
    auto* f = new F(&destroyed);
    auto* panel = new TPanel(f);
    panel->SetParent(f);
    f->SetBounds(0, 0, 200, 100);
    f->Show();
    EXPECT_GT(LiveWindowCount(), start);
    f->OnClose = [](TObject*, TCloseAction& a) { a = TCloseAction::caFree; };
    f->Close();
    EXPECT_FALSE(destroyed) << "freed only after the running handler returns";
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
    EXPECT_EQ(LiveWindowCount(), start);
}

TEST(Control, GraphicChildIsPaintedAndClickedThroughParent) {
    TForm f;
    f.SetBorderStyle(TBorderStyle::bsNone);
    f.SetBounds(0, 0, 100, 80);
    f.SetColor(clBlack);
    auto* l = new Label(&f);
    l->SetBounds(10, 20, 30, 15);
    l->SetColor(0x0000FF);
    l->SetParent(&f);
    int clicks = 0;
    l->OnClick = [&](TObject*) { ++clicks; };
    f.Show();

    auto shot = Snapshot(f);
    TBitmap& b = *shot;
    EXPECT_EQ(b.Pixel(10, 20), 0x0000FF);
    EXPECT_EQ(b.Pixel(39, 34), 0x0000FF);
    EXPECT_EQ(b.Pixel(40, 20), clBlack);
    EXPECT_EQ(b.Pixel(9, 20), clBlack);

    SendMessageW(f.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 25));
    SendMessageW(f.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(15, 25));
    SendMessageW(f.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    SendMessageW(f.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(clicks, 1);
}

TEST(Control, AlignClientFollowsParentMinusPanelFrames) {
    TForm f;
    f.SetBorderStyle(TBorderStyle::bsNone);
    f.SetBounds(0, 0, 300, 200);
    auto* outer = new TPanel(&f);
    outer->SetParent(&f);
    outer->SetBevelWidth(2);
    outer->SetBorderWidth(3);
    outer->SetAlign(TAlign::alClient);
    auto* inner = new TPanel(&f);
    inner->SetParent(outer);
    inner->SetAlign(TAlign::alClient);
    f.Show();
    EXPECT_EQ(outer->Width(), 300);
    EXPECT_EQ(inner->Left(), 5);
    EXPECT_EQ(inner->Width(), 290);
    f.SetBounds(0, 0, 400, 250);
    EXPECT_EQ(inner->Width(), 390);
    EXPECT_EQ(inner->Height(), 240);
}

TEST(Graphics, Frame3DNestsFramesFromOutsideIn) {
    TBitmap b(20, 20);
    TCanvas& c = b.Canvas();
    c.Brush.SetColor(clBlack);
    RECT all{0, 0, 20, 20};
    c.FillRect(all);
    RECT r = all;
    Frame3D(c, r, 0x0000FF, 0x00FF00, 2);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.right, 18);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FF);     // top-left corner: top colour
    EXPECT_EQ(b.Pixel(1, 10), 0x0000FF);    // left edge, second ring
    EXPECT_EQ(b.Pixel(19, 0), 0x00FF00);    // top-right corner belongs to the bottom colour
    EXPECT_EQ(b.Pixel(10, 18), 0x00FF00);   // bottom edge, second ring
    EXPECT_EQ(b.Pixel(2, 2), clBlack);      // inside untouched
    RECT z = r;
    Frame3D(c, z, 0xFFFFFF, 0xFFFFFF, 0);
    EXPECT_TRUE(EqualRect(&z, &r)) << "width 0 draws and shrinks nothing";
}
