// Message boxes, owned by the active window of the thread.
#pragma once
#include "platform/ui/Types.h"

namespace ui {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// A plain modal message box with a single OK button; the caption is the application title.
void ShowMessage(const std::wstring& text, TMsgDlgType type = TMsgDlgType::mtInformation);

}  // namespace ui
