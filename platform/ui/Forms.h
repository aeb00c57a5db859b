// The application object of a deliverable (message loop, title, folder of the executable, the
// display of errors that escape a message handler) and forms.
#pragma once
#include "platform/ui/Controls.h"
#include <exception>

namespace ui {

class TForm;

class TApplication {
public:
    // Initialises COM for this thread as a single-threaded apartment; undone in Finalize.
    void Initialize();
    void Finalize();
    const std::wstring& Title() const { return FTitle; }
    void SetTitle(const std::wstring& t);
    // Full path of the process's executable, and its folder with the trailing backslash.
    std::wstring ExeName() const;
    std::wstring ExeDir() const;

    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* f) { FMainForm = f; }
    void Run();  // until Terminate; a Terminate before Run still ends it at once
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void ProcessMessages();

    // Shows an error that escaped a message handler. One at a time: an error raised while the
    // box is open (a timer ticking behind it, say) is not stacked on top of it.
    void HandleException(std::exception_ptr e);
    void ShowError(const std::wstring& message);
    // Replaces the error box (tests, and a host that wants its own display).
    std::function<void(const std::wstring&)> OnShowError;
    bool ShowingError() const { return FShowingError; }

private:
    std::wstring FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FComInitialized = false;
    bool FShowingError = false;
};

// This module's application object.
TApplication& Application();

// Runs f; an exception goes to the application's error display instead of escaping.
template <class F>
void Guarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
}

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner = nullptr);
    ~TForm() override;

    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& c);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle b) { FBorderStyle = b; }
    void SetMenu(HMENU menu);
    void SetClientSize(int width, int height);
    void CenterOnScreen();
    RECT ClientRect() const override;

    // Closes the form: OnClose decides; caFree frees it through a posted message, after the
    // handler that is running has returned. Closing the main form ends the program instead: it
    // belongs to whoever created it, who frees it after Run, so it is never released by itself.
    void Close();
    // Frees the form once the current message has been handled.
    void Release();

    std::function<void(TObject*, TCloseAction&)> OnClose;
    // Runs once, when the form is first shown. Clean-up belongs in the derived destructor.
    TNotifyEvent OnShow;
    // Menu commands (WM_COMMAND from a menu) with the item's identifier.
    std::function<void(UINT id)> OnMenuCommand;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DoShow();
    std::wstring FCaption;
    TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
    HMENU FMenu = nullptr;
    bool FShown = false;
    bool FDestroying = false;
};

// The private message that frees a released form.
constexpr UINT CM_RELEASE = WM_APP + 0x3F01;

}  // namespace ui
