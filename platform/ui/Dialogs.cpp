#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"

namespace ui {

void ShowMessage(const std::wstring& text, TMsgDlgType type) {
    UINT icon = 0;
    switch (type) {
        case TMsgDlgType::mtWarning: icon = MB_ICONWARNING; break;
        case TMsgDlgType::mtError: icon = MB_ICONERROR; break;
        case TMsgDlgType::mtInformation: icon = MB_ICONINFORMATION; break;
        case TMsgDlgType::mtConfirmation: icon = MB_ICONQUESTION; break;
        case TMsgDlgType::mtCustom: break;
    }
    HWND owner = GetActiveWindow();
    if (!owner && Application().MainForm()) owner = Application().MainForm()->Handle();
    MessageBoxW(owner, text.c_str(), Application().Title().c_str(), MB_OK | icon);
}

}  // namespace ui
