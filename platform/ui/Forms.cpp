#include "platform/ui/Forms.h"
#include <objbase.h>

namespace ui {

TApplication& Application() {
    static TApplication app;
    return app;
}

void TApplication::Initialize() {
    if (!FComInitialized) FComInitialized = SUCCEEDED(CoInitialize(nullptr));
}

void TApplication::Finalize() {
    if (FComInitialized) {
        CoUninitialize();
        FComInitialized = false;
    }
}

void TApplication::SetTitle(const std::wstring& t) { FTitle = t; }

std::wstring TApplication::ExeName() const {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

std::wstring TApplication::ExeDir() const {
    std::wstring exe = ExeName();
    size_t slash = exe.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash + 1);
}

void TApplication::Run() {
    MSG msg;
    // An earlier Terminate left its WM_QUIT in the queue, which still ends this loop.
    FTerminated = false;
    while (!FTerminated) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            FTerminated = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TApplication::Terminate() {
    if (!FTerminated) PostQuitMessage(0);
    FTerminated = true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            FTerminated = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TApplication::HandleException(std::exception_ptr e) {
    std::wstring text;
    try {
        std::rethrow_exception(e);
    } catch (const Exception& ex) {
        text = ex.Message();
    } catch (const std::bad_alloc&) {
        text = L"Out of memory";
    } catch (const std::exception& ex) {
        text = ToUtf16(ex.what());
    } catch (...) {
        text = L"Unknown error";
    }
    ShowError(text);
}

void TApplication::ShowError(const std::wstring& message) {
    if (FShowingError) return;
    FShowingError = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FShowingError};
    if (OnShowError) {
        OnShowError(message);
        return;
    }
    std::wstring caption = FTitle.empty() ? ExeName().substr(ExeName().find_last_of(L"\\/") + 1) : FTitle;
    HWND owner = GetActiveWindow();
    MessageBoxW(owner, message.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// ---- TForm ----

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    FVisible = false;
    FWidth = 320;
    FHeight = 240;
}

TForm::~TForm() {
    FDestroying = true;
    if (Application().MainForm() == this) Application().SetMainForm(nullptr);
    if (FMenu && !FHandle) DestroyMenu(FMenu);
}

void TForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.Caption = FCaption;
    p.Style &= ~WS_VISIBLE;  // shown by SetVisible, after creation
    if (FParent || FParentWindow) {
        p.Style = (p.Style & ~WS_POPUP) | WS_CHILD | WS_CLIPCHILDREN;
        return;
    }
    p.Style &= ~WS_CHILD;
    switch (FBorderStyle) {
        case TBorderStyle::bsNone: p.Style |= WS_POPUP; break;
        case TBorderStyle::bsSingle: p.Style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
        case TBorderStyle::bsDialog: p.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU; p.ExStyle |= WS_EX_DLGMODALFRAME; break;
        case TBorderStyle::bsSizeable: p.Style |= WS_OVERLAPPEDWINDOW; break;
    }
}

void TForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (FMenu) {
        ::SetMenu(FHandle, FMenu);
        Realign();
    }
}

void TForm::SetCaption(const std::wstring& c) {
    FCaption = c;
    if (FHandle) SetWindowTextW(FHandle, c.c_str());
}

void TForm::SetMenu(HMENU menu) {
    FMenu = menu;
    if (FHandle) ::SetMenu(FHandle, menu);
}

RECT TForm::ClientRect() const {
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return r;
    }
    return RECT{0, 0, FWidth, FHeight};
}

void TForm::SetClientSize(int width, int height) {
    HWND h = Handle();
    RECT wr, cr;
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    int dw = (wr.right - wr.left) - cr.right, dh = (wr.bottom - wr.top) - cr.bottom;
    SetBounds(FLeft, FTop, width + dw, height + dh);
}

void TForm::CenterOnScreen() {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetBounds(work.left + (work.right - work.left - FWidth) / 2, work.top + (work.bottom - work.top - FHeight) / 2,
              FWidth, FHeight);
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::Close() {
    const bool main = Application().MainForm() == this;
    TCloseAction action = main ? TCloseAction::caFree : TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (main) {
        // Its owner frees it once Run has returned; a posted release would free it a second
        // time as soon as anything pumps messages on the way out.
        Application().Terminate();
        return;
    }
    switch (action) {
        case TCloseAction::caHide: Hide(); break;
        case TCloseAction::caMinimize: if (FHandle) ShowWindow(FHandle, SW_MINIMIZE); break;
        default: Release(); break;
    }
}

void TForm::Release() {
    PostMessageW(Handle(), CM_RELEASE, 0, 0);
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case CM_RELEASE:
            delete this;
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_SHOWWINDOW:
            if (wp && !FShown) {
                FShown = true;
                DoShow();
            }
            break;
        case WM_COMMAND:
            if (lp == 0 && HIWORD(wp) == 0 && OnMenuCommand) {
                OnMenuCommand(LOWORD(wp));
                return 0;
            }
            break;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

}  // namespace ui
