#pragma once

// The console control-event handler that InitConsole registers, for tests
// that cannot make the platform send a close event.

#include <windows.h>

namespace treebane {

// For an interrupt (Ctrl+C, Ctrl+Break), the console window being closed or
// the system shutting down: removes the temporary files of unfinished
// replacements and copies. Answers FALSE for every event, so the platform's
// default handling ends the process.
BOOL WINAPI ConsoleEventHandler(DWORD event);

}  // namespace treebane
