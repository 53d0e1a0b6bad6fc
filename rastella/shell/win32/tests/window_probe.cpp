// rastella-window-probe.exe: reads the state of a running rastella.exe's
// controls, and sends it what the system or the user would, for the tests
// under wine, which cannot look inside a window from the X side.
//
//   window_probe status          the status line: its text, its length and
//                                the index of the first character in view
//   window_probe files           the file list: count, top row, selected row
//                                and the number of rows in view
//   window_probe folder          the selected row of the folder list
//   window_probe drives          the drive list: count and selected drive
//   window_probe pick-drive X:\  selects that drive as the user does
//   window_probe add-drive X: T  makes drive X: stand for the folder T and
//                                tells every window, as a program that
//                                mounts a volume does
//   window_probe remove-drive X: removes it again, and tells

#include <windows.h>

#include <dbt.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Control identifiers of the main window, in its tab order from 101.
constexpr int kDrive1 = 104;
constexpr int kDir1 = 105;
constexpr int kFile1 = 106;
constexpr int kText1 = 107;

std::string WindowText(HWND window) {
  char text[4096] = {};
  ::SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// Asked in UTF-16: wine hands a row's text to another process as UTF-16
// whichever form of the message was sent.
std::string ListRowText(HWND list, LRESULT row) {
  wchar_t text[1024] = {};
  if (row < 0 || ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) >= 1024) {
    return {};
  }
  ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
  char narrow[4096] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

// What the system tells every top-level window when a volume arrives or is
// removed.
void BroadcastVolume(char letter, WPARAM event) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << (letter >= 'a' ? letter - 'a' : letter - 'A');
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG,
                        5000, &result);
}

int Fail(const char* message) {
  std::fprintf(stderr, "window_probe: %s\n", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return Fail("no command");
  }
  const std::string command = argv[1];
  if (command == "add-drive" && argc == 4) {
    if (!::DefineDosDeviceA(0, argv[2], argv[3])) {
      return Fail("DefineDosDevice failed");
    }
    BroadcastVolume(argv[2][0], DBT_DEVICEARRIVAL);
    return 0;
  }
  if (command == "remove-drive" && argc == 3) {
    if (!::DefineDosDeviceA(DDD_REMOVE_DEFINITION, argv[2], nullptr)) {
      return Fail("DefineDosDevice failed");
    }
    BroadcastVolume(argv[2][0], DBT_DEVICEREMOVECOMPLETE);
    return 0;
  }
  const HWND form = ::FindWindowA("RastellaMainForm", "Form1");
  if (form == nullptr) {
    return Fail("no Form1 window");
  }
  if (command == "status") {
    const HWND status = ::GetDlgItem(form, kText1);
    RECT client{};
    ::GetClientRect(status, &client);
    // The character under the left edge of the control.
    const LRESULT atLeft = ::SendMessageA(status, EM_CHARFROMPOS, 0, MAKELPARAM(3, client.bottom / 2));
    std::printf("first=%d length=%d text=%s\n", static_cast<int>(LOWORD(atLeft)),
                static_cast<int>(::GetWindowTextLengthA(status)), WindowText(status).c_str());
    return 0;
  }
  if (command == "files") {
    const HWND list = ::GetDlgItem(form, kFile1);
    RECT client{};
    ::GetClientRect(list, &client);
    const LRESULT rowHeight = ::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    std::printf("count=%d top=%d selected=%d visible=%d\n", static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0)),
                static_cast<int>(::SendMessageA(list, LB_GETTOPINDEX, 0, 0)),
                static_cast<int>(::SendMessageA(list, LB_GETCURSEL, 0, 0)),
                rowHeight > 0 ? static_cast<int>(client.bottom / rowHeight) : 0);
    return 0;
  }
  if (command == "folder") {
    const HWND list = ::GetDlgItem(form, kDir1);
    const LRESULT row = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    std::printf("row=%d text=%s\n", static_cast<int>(row), ListRowText(list, row).c_str());
    return 0;
  }
  if (command == "drives") {
    const HWND drives = ::GetDlgItem(form, kDrive1);
    std::printf("count=%d selected=%s\n", static_cast<int>(::SendMessageA(drives, CB_GETCOUNT, 0, 0)),
                WindowText(drives).c_str());
    return 0;
  }
  if (command == "pick-drive" && argc == 3) {
    // The drive list holds the drives in the order the system gives them.
    char names[512] = {};
    const DWORD length = ::GetLogicalDriveStringsA(sizeof names, names);
    int row = 0;
    for (const char* drive = names; drive < names + length && *drive != '\0'; drive += std::strlen(drive) + 1, ++row) {
      if (_stricmp(drive, argv[2]) == 0) {
        const HWND drives = ::GetDlgItem(form, kDrive1);
        ::SendMessageA(drives, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
        ::SendMessageA(form, WM_COMMAND, MAKEWPARAM(kDrive1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(drives));
        return 0;
      }
    }
    return Fail("no such drive");
  }
  return Fail("unknown command");
}
