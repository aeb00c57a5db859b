// The program's life: the main window shown, the message loop, the window freed at the end.
#pragma once
#include "host/UnitMainForm.h"
#include <functional>

namespace host {

// Runs the trainer until its main window is closed or the program is ended; 0 on a normal end.
// `shown` runs once the window is on screen, before the loop (the tests close it from there).
// COM is initialised by the caller.
int RunProgram(const std::function<void(TMainForm&)>& shown = nullptr);

}  // namespace host
