// The end of a run, where the window's two halves meet: the summary, the
// loaded result list and the controls enabled again.
#pragma once
#include <windows.h>

namespace mox::window {

// Reports a run that ended with the exit code: the summary, the loaded list
// (after a successful search), the enabled controls and the refilled list.
void finish_run(HWND window, DWORD exit_code);

// The wait loop of a pending run, then its end: 2 when a quit message was
// taken (`message` holds it), 0 when the run has ended and been reported.
int wait_for_run(HWND window, MSG* message);

}  // namespace mox::window
