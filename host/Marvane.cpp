// The host program: one window, the start page of the trainer and the frame of its exercises.
#include "host/Program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Only this program's own folder and the system folder for the libraries it loads by name.
    SetDllDirectoryW(L"");
    ui::TApplication& app = ui::Application();
    app.Initialize();
    int rc = host::RunProgram();
    app.Finalize();
    return rc;
}
