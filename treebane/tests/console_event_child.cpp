// Child program of Win32ConsoleEvent: in the folder given as its first
// argument, starts replacements of a.tree.tga and b.tree.tga, calls the
// console's event handler with the event given as its second argument, tries
// what a run that goes on would do next, and ends without closing its files,
// as the platform's default handling of the event would. Exit status 0 when
// everything after the event was refused; 10 and up name the step that went
// wrong.

#include "services/console.h"
#include "services/console_win32.h"
#include "services/file_slots.h"

#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argumentCount, char** arguments) {
  using namespace treebane;
  if (argumentCount != 3) {
    ::ExitProcess(9);
  }
  const std::string folder = std::string(arguments[1]) + "\\";
  const DWORD event = static_cast<DWORD>(std::atoi(arguments[2]));

  InitConsole();
  // Never destroyed: the process ends with both replacements open.
  FileSlots& slots = *new FileSlots;
  if (!slots.CreateReplacement(2, folder + "a.tree.tga") || !slots.CreateReplacement(3, folder + "b.tree.tga")) {
    ::ExitProcess(10);
  }
  for (int index = 0; index < 10000; ++index) {
    slots.PutByte(2, index);
    slots.PutByte(3, index);
  }
  if (ConsoleEventHandler(event) != FALSE) {
    ::ExitProcess(11);
  }
  if (slots.CommitReplacement(3)) {
    ::ExitProcess(12);
  }
  if (CopyWholeFile(folder + "a.tree.tga", folder + "a.tree.tga_org")) {
    ::ExitProcess(13);
  }
  if (slots.CreateReplacement(3, folder + "b.tree.tga")) {
    ::ExitProcess(14);
  }
  ::ExitProcess(0);
}
