// The window of the Schulte exercise: a grid page where each test runs on DGridImage1, and a
// result page that tells how many numbers were left. It reads the configuration document, runs
// its tests one after another, judges the clicks with sounds, and tells the module object when
// a test starts and when all are done.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "grid/WSGraphicGrid.h"
#include "platform/ui/Background.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Sound.h"
#include "platform/ui/StdCtrls.h"
#include "platform/xml/XmlDom.h"

// Where the click sounds go: a wave image in memory played with the given PlaySound flags, and
// the stop of whatever this process plays. Tests replace the functions to see what was asked for.
struct TClickSound {
    std::function<void(const std::vector<std::uint8_t>& wave, unsigned flags)> PlayMemory;
    std::function<void()> StopAll;
};
TClickSound& ClickSound();

class TModuleForm : public ui::TForm {
public:
    explicit TModuleForm(ui::TComponent* owner = nullptr);
    ~TModuleForm() override;

    // Components of the form (owned by it).
    ui::TPageControl* RzPageControl1 = nullptr;
    ui::TTabSheet* TabSheet1 = nullptr;
    TDGridImage* DGridImage1 = nullptr;
    ui::TTabSheet* TabSheet2 = nullptr;
    ui::TGradientBackground* BkArticleTitle = nullptr;
    ui::TLabel* RzLabel1 = nullptr;
    ui::TTimer* Timer1 = nullptr;

    // Filled by the module object. Raised synchronously; the module object may be gone when a
    // callback returns, so nothing is touched after one.
    std::function<void()> OnModuleStop;
    std::function<void()> OnModuleStart;
    std::function<void()> OnModulePause;
    std::function<void()> OnModuleResume;
    std::function<void(const std::wstring& AType, const std::wstring& AReport)> OnModuleReport;

    // Parses the section text (without declaration) and sets up its first test, if any.
    void ReadConfig(const std::wstring& Text);
    // Starts the current test: grid page, run, OnModuleStart. An Exception when no test is
    // set up (no configuration read, or `tests` without children).
    void StartTest();
    void PauseExercise();
    void ResumeExercise();
    void StopExercise();

    // What tests look at.
    int State() const { return FState; }
    int TestIndex() const { return FTestIndex; }
    int Countdown() const { return FCountdown; }
    const std::deque<std::wstring>& Remaining() const { return FRemaining; }
    bool Stopped() const { return FStopped; }
    const std::vector<std::uint8_t>& RightSound() const { return FRightSound; }
    const std::vector<std::uint8_t>& WrongSound() const { return FWrongSound; }

    // The brush of a hovered cell.
    static constexpr ui::TColor HighlightColor = 986895;

protected:
    void FormCreate();
    void FormDestroy();
    void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
    void LoadTest();
    void SetState(int NewState);
    void DGridImage1Stop(ui::TObject* Sender, bool& SelfFree);
    void Timer1Timer(ui::TObject* Sender);
    void TabSheet1Resize(ui::TObject* Sender);
    void TabSheet2Resize(ui::TObject* Sender);
    void DGridImage1CellMouseOver(ui::TObject* Sender, TMouserOverData CurrentData);
    void DGridImage1CellMouseLeave(ui::TObject* Sender, TMouserOverData CurrentData);
    void DGridImage1CellClick(ui::TObject* Sender, TMouserOverData CurrentData);

private:
    // The click and refresh sounds are played on the sound thread while a form lives.
    ui::TSoundThread::TUser FSoundUser;
    // Paints one cell straight onto the grid's window with brush colour `brush`.
    void PaintCell(const TMouserOverData& cell, ui::TColor brush);
    void PlayClickSound(const std::vector<std::uint8_t>& wave);

    bool FStopped = false;
    int FTestIndex = 0;
    std::unique_ptr<xml::Document> FXMLDocument;
    xml::Node* FTestsNode = nullptr;
    int FState = 0;
    std::int32_t FTestRowCount = 0, FTestColCount = 0, FTestMinNumber = 0, FTestMaxNumber = 0, FTestIntervals = 0;
    std::wstring FTestFontName;
    std::int32_t FTestFontSize = 0;
    bool FTestSound = false;
    int FCountdown = 0;
    std::deque<std::wstring> FRemaining;
    std::vector<std::uint8_t> FRightSound, FWrongSound;
    std::wstring FExeDir;
    bool FTestLoaded = false;  // a test has been set up on the grid
};
