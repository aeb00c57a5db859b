#include "host/Program.h"
#include <commctrl.h>

namespace host {

int RunProgram(const std::function<void(TMainForm&)>& shown) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    ui::TApplication& app = ui::Application();
    app.SetTitle(L"舒尔特表");
    try {
        auto form = std::make_unique<TMainForm>();
        app.SetMainForm(form.get());
        form->Show();
        if (shown) shown(*form);
        app.Run();
        form.reset();
        return 0;
    } catch (...) {
        app.HandleException(std::current_exception());
        return 1;
    }
}

}  // namespace host
