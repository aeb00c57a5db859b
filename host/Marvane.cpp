// The host program: one window, the start page of the trainer and the frame of its exercises.
#include "host/UnitMainForm.h"
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Only this program's own folder and the system folder for the libraries it loads by name.
    SetDllDirectoryW(L"");
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    ui::TApplication& app = ui::Application();
    app.Initialize();
    app.SetTitle(L"舒尔特表");
    int rc = 0;
    try {
        auto form = std::make_unique<host::TMainForm>();
        app.SetMainForm(form.get());
        form->Show();
        app.Run();
        form.reset();
    } catch (...) {
        app.HandleException(std::current_exception());
        rc = 1;
    }
    app.Finalize();
    return rc;
}
