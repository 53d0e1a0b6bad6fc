#include "shell/win32/main_window.h"

#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "shell/file_access.h"
#include "shell/folders.h"
#include "shell/utf8_path.h"
#include "shell/win32/window_object.h"
#include "shell/window_design.h"
#include "shell/windows_names_win32.h"

namespace rastella::win32 {

namespace {

// Control identifiers, in the tab order of the form.
enum Control : int {
  kPicture1 = 101,
  kCommand1,  // "View"
  kCommand2,  // "Exit"
  kDrive1,
  kDir1,
  kFile1,
  kText1,
  kCommand3,  // "Save TGA"
  kCommand4,  // "Save ZTF"
  kCommand5,  // "Save ALPHA"
  kCommand6,  // "Help"
  kLabel1,    // "Ver 1.0"
};

constexpr const char* kFormClass = "RastellaMainForm";
constexpr const char* kPictureClass = "RastellaPicture";

COLORREF ToColorRef(ColorValue color) { return RGB(RedOf(color), GreenOf(color), BlueOf(color)); }

HFONT MakeFont(bool bold, double points) {
  const HDC screen = ::GetDC(nullptr);
  const int height = -static_cast<int>(points * ::GetDeviceCaps(screen, LOGPIXELSY) / 72.0 + 0.5);
  ::ReleaseDC(nullptr, screen);
  return ::CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "MS Sans Serif");
}

// Texts go to and come from the controls as UTF-16, so that every file name
// shows as it is, whatever the ANSI code page.
std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return windows_names::NameFromWide(text);
}

void AddListRow(HWND list, const std::string& text) {
  ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(windows_names::WideForDisplay(text).c_str()));
}

bool SameDrive(const std::string& left, const std::string& right) {
  return left.size() >= 2 && right.size() >= 2 && _strnicmp(left.c_str(), right.c_str(), 2) == 0;
}

// The drive that Windows is on: the root volume, where the lists go when
// the selected drive is gone.
std::string SystemDrive() {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryA(folder, MAX_PATH);
  return length >= 3 && length < MAX_PATH ? std::string(folder, 3) : std::string("C:\\");
}

std::vector<std::string> LogicalDrives() {
  std::vector<std::string> drives;
  char names[512] = {};
  const DWORD length = ::GetLogicalDriveStringsA(sizeof names, names);
  if (length >= sizeof names) {
    return drives;
  }
  for (const char* drive = names; drive < names + length && *drive != '\0'; drive += std::strlen(drive) + 1) {
    drives.emplace_back(drive);
  }
  return drives;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const std::string& startFolder)
    : instance_(instance),
      boldFont_(MakeFont(true, design::kFontPoints)),
      regularFont_(MakeFont(false, design::kFontPoints)),
      driveBrush_(::CreateSolidBrush(ToColorRef(design::kDriveListColor))),
      folderBrush_(::CreateSolidBrush(ToColorRef(design::kFolderListColor))),
      fileBrush_(::CreateSolidBrush(ToColorRef(design::kFileListColor))),
      directoryFolder_(NormalFolder(startFolder)),
      fileListFolder_(directoryFolder_),
      about_(instance, regularFont_),
      help_(instance, regularFont_),
      form_(*this) {
  about_.SetTitleFont(MakeFont(true, 14));

  RegisterWindowClass(instance_, kFormClass, FormProcedure, ButtonFaceBrush());
  RegisterWindowClass(instance_, kPictureClass, PictureProcedure, nullptr);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, design::kClientWidth, design::kClientHeight};
  ::AdjustWindowRect(&frame, style, FALSE);
  window_ =
      ::CreateWindowExA(WS_EX_CONTROLPARENT, kFormClass, design::kMainCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance_, this);
  CreateControls();
  CreateStatusTip();
  RefreshDriveList();
  FillFolderList();
  RefreshFileList();
  form_.Form_Load();
  ::DragAcceptFiles(window_, TRUE);
  ::ShowWindow(window_, SW_SHOW);
}

MainWindow::~MainWindow() {
  about_.Unload();
  help_.Unload();
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
  }
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(boldFont_), static_cast<HGDIOBJ>(regularFont_), static_cast<HGDIOBJ>(driveBrush_),
        static_cast<HGDIOBJ>(folderBrush_), static_cast<HGDIOBJ>(fileBrush_)}) {
    ::DeleteObject(object);
  }
}

void MainWindow::CreateControls() {
  const auto add = [this](DWORD exStyle, const char* windowClass, const char* text, DWORD style,
                          const design::Rect& bounds, int id, HFONT font) {
    const HWND control = ::CreateWindowExW(exStyle, windows_names::WideForDisplay(windowClass).c_str(),
                                           windows_names::WideForDisplay(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                           bounds.left, bounds.top, bounds.width, bounds.height, window_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, this);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  // Created in the tab order: Picture1, Command1, Command2, Drive1, Dir1,
  // File1, Text1, Command3 to Command6, Label1.
  picture_ = add(0, kPictureClass, "", WS_TABSTOP, design::kPicture1, kPicture1, regularFont_);
  add(0, "BUTTON", "View", WS_TABSTOP | BS_PUSHBUTTON, design::kCommand1, kCommand1, boldFont_);
  add(0, "BUTTON", "Exit", WS_TABSTOP | BS_PUSHBUTTON, design::kCommand2, kCommand2, boldFont_);
  drive_ = add(0, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
               {design::kDrive1.left, design::kDrive1.top, design::kDrive1.width, 200}, kDrive1, regularFont_);
  folders_ = add(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                 design::kDir1, kDir1, regularFont_);
  files_ = add(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
               design::kFile1, kFile1, regularFont_);
  status_ = add(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, design::kText1, kText1,
                regularFont_);
  add(0, "BUTTON", "Save TGA", WS_TABSTOP | BS_PUSHBUTTON, design::kCommand3, kCommand3, boldFont_);
  add(0, "BUTTON", "Save ZTF", WS_TABSTOP | BS_PUSHBUTTON, design::kCommand4, kCommand4, boldFont_);
  add(0, "BUTTON", "Save ALPHA", WS_TABSTOP | BS_PUSHBUTTON, design::kCommand5, kCommand5, boldFont_);
  add(0, "BUTTON", "Help", WS_TABSTOP | BS_PUSHBUTTON, design::kCommand6, kCommand6, boldFont_);
  label_ = add(0, "STATIC", "Ver 1.0", SS_NOTIFY | SS_LEFT, design::kLabel1, kLabel1, boldFont_);
}

void MainWindow::CreateStatusTip() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  statusTip_ =
      ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (statusTip_ == nullptr) {
    return;
  }
  // The text is asked for when the tip shows (TTN_GETDISPINFOW), so it is
  // always the status line of that moment, in UTF-16 like the line itself.
  // The version 5 size of the structure: no manifest asks for a later
  // version of the controls.
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(status_);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  ::SendMessageW(statusTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // Long lines wrap at the width of the status line.
  ::SendMessageA(statusTip_, TTM_SETMAXTIPWIDTH, 0, design::kText1.width);
}

void MainWindow::OpenPath(const std::string& path) {
  form_.OpenPath(path);
  FlushPicture();
}

int MainWindow::Run() {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageA(window_, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWindow::FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowObject<MainWindow>(window, message, lParam);
  return self != nullptr && self->window_ == window ? self->HandleFormMessage(message, wParam, lParam)
                                                    : ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleFormMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      HandleCommand(LOWORD(wParam), HIWORD(wParam));
      FlushPicture();
      return 0;
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT: {
      const HWND control = reinterpret_cast<HWND>(lParam);
      const HBRUSH brush = control == folders_                                     ? folderBrush_
                           : control == files_                                     ? fileBrush_
                           : (control == drive_ || ::GetParent(control) == drive_) ? driveBrush_
                                                                                   : nullptr;
      if (brush != nullptr) {
        LOGBRUSH colour{};
        ::GetObjectA(brush, sizeof colour, &colour);
        ::SetBkColor(reinterpret_cast<HDC>(wParam), colour.lbColor);
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    }
    case WM_NOTIFYFORMAT:
      // The tooltip asks which notifications its owner reads: the UTF-16 ones.
      if (reinterpret_cast<HWND>(wParam) == statusTip_ && lParam == NF_QUERY) {
        return NFR_UNICODE;
      }
      break;
    case WM_NOTIFY: {
      auto* request = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      if (request->hdr.hwndFrom == statusTip_ && request->hdr.code == TTN_GETDISPINFOW) {
        statusTipText_ = windows_names::WideForDisplay(StatusText());
        request->lpszText = statusTipText_.data();
        return 0;
      }
      break;
    }
    case WM_DEVICECHANGE:
      // A volume came or went (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE)
      // or the devices changed: looking again is cheap.
      RefreshDriveList();
      FlushPicture();
      return TRUE;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      // Dropped names in UTF-16, of any length.
      std::wstring path(static_cast<std::size_t>(::DragQueryFileW(drop, 0, nullptr, 0)) + 1, L'\0');
      const UINT length = ::DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size()));
      ::DragFinish(drop);
      if (length > 0 && length < path.size()) {
        path.resize(length);
        ::SetForegroundWindow(window_);
        OpenPath(windows_names::NameFromWide(path));
      }
      return 0;
    }
    case WM_CLOSE:
      EndProgram();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

void MainWindow::HandleCommand(int control, int notification) {
  switch (control) {
    case kCommand1:
      form_.Command1_Click();
      break;
    case kCommand2:
      form_.Command2_Click();
      break;
    case kCommand3:
      form_.Command3_Click();
      break;
    case kCommand4:
      form_.Command4_Click();
      break;
    case kCommand5:
      form_.Command5_Click();
      break;
    case kCommand6:
      form_.Command6_Click();
      break;
    case kLabel1:
      if (notification == STN_CLICKED) form_.Label1_Click();
      break;
    case kDrive1:
      if (notification == CBN_SELCHANGE) form_.Drive1_Change();
      break;
    case kDir1:
      // A double-click opens a folder, as in a folder list.
      if (notification == LBN_DBLCLK) {
        const LRESULT row = ::SendMessageA(folders_, LB_GETCURSEL, 0, 0);
        if (row >= 0 && static_cast<std::size_t>(row) < folderRows_.size()) {
          SetDirectoryFolder(folderRows_[static_cast<std::size_t>(row)]);
        }
      }
      break;
    case kFile1:
      // The selection moves by mouse or keyboard: that is a click.
      if (notification == LBN_SELCHANGE) form_.File1_Click();
      if (notification == LBN_DBLCLK) form_.Command1_Click();
      break;
    default:
      break;
  }
}

LRESULT CALLBACK MainWindow::PictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowObject<MainWindow>(window, message, lParam);
  if (self != nullptr) {
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC device = ::BeginPaint(window, &paint);
        self->PaintPicture(device);
        ::EndPaint(window, &paint);
        return 0;
      }
      case WM_LBUTTONDOWN:
        self->form_.Picture1_Click();
        self->FlushPicture();
        return 0;
      default:
        break;
    }
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void MainWindow::PaintPicture(HDC device) {
  BITMAPINFO bitmap{};
  bitmap.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bitmap.bmiHeader.biWidth = kPictureSize;
  bitmap.bmiHeader.biHeight = -kPictureSize;  // top row first
  bitmap.bmiHeader.biPlanes = 1;
  bitmap.bmiHeader.biBitCount = 32;
  bitmap.bmiHeader.biCompression = BI_RGB;
  ::SetDIBitsToDevice(device, 0, 0, kPictureSize, kPictureSize, 0, 0, 0, kPictureSize, surface_.Pixels(), &bitmap,
                      DIB_RGB_COLORS);
}

void MainWindow::FlushPicture() {
  if (surface_.TakeChanged()) {
    ::InvalidateRect(picture_, nullptr, FALSE);
    ::UpdateWindow(picture_);
  }
}

namespace {

// The line starts with the word that tells the outcome: the caret goes back
// to the start, and the edit control scrolls there, whatever the length.
void ShowStatusStart(HWND status) {
  ::SendMessageA(status, EM_SETSEL, 0, 0);
  ::SendMessageA(status, EM_SCROLLCARET, 0, 0);
}

}  // namespace

void MainWindow::SetStatusText(const std::string& text) {
  ::SetWindowTextW(status_, windows_names::WideForDisplay(text).c_str());
  ShowStatusStart(status_);
}

std::string MainWindow::StatusText() const { return WindowText(status_); }

void MainWindow::AppendStatusText(const std::string& text) {
  const int end = ::GetWindowTextLengthW(status_);
  ::SendMessageW(status_, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
  ::SendMessageW(status_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(windows_names::WideForDisplay(text).c_str()));
  ShowStatusStart(status_);
}

void MainWindow::RepaintStatus() {
  ::InvalidateRect(status_, nullptr, TRUE);
  ::UpdateWindow(status_);
}

std::string MainWindow::CurrentDrive() const {
  const LRESULT row = ::SendMessageA(drive_, CB_GETCURSEL, 0, 0);
  if (row < 0) {
    return directoryFolder_.substr(0, 3);
  }
  std::string drive(static_cast<std::size_t>(::SendMessageA(drive_, CB_GETLBTEXTLEN, static_cast<WPARAM>(row), 0)),
                    '\0');
  ::SendMessageA(drive_, CB_GETLBTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(drive.data()));
  return drive;
}

void MainWindow::SelectDriveOf(const std::string& folder) {
  for (std::size_t row = 0; row < driveNames_.size(); ++row) {
    if (SameDrive(driveNames_[row], folder)) {
      ::SendMessageA(drive_, CB_SETCURSEL, row, 0);
    }
  }
}

void MainWindow::RefreshDriveList() {
  const std::vector<std::string> drives = LogicalDrives();
  if (drives == driveNames_) {
    return;
  }
  // At the start the drive of the starting folder is the selected one.
  const bool starting = driveNames_.empty();
  const std::string selected = starting ? directoryFolder_ : CurrentDrive();
  const bool selectedThere =
      std::any_of(drives.begin(), drives.end(), [&](const std::string& drive) { return SameDrive(drive, selected); });
  driveNames_ = drives;
  ::SendMessageA(drive_, CB_RESETCONTENT, 0, 0);
  for (const std::string& drive : driveNames_) {
    ::SendMessageA(drive_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
  }
  if (selectedThere || starting) {
    SelectDriveOf(selected);
    return;
  }
  // The selected drive is gone: the system's drive takes its place, as if
  // the user had picked it.
  const std::string system = SystemDrive();
  SelectDriveOf(
      std::any_of(drives.begin(), drives.end(), [&](const std::string& drive) { return SameDrive(drive, system); })
          ? system
          : (drives.empty() ? std::string() : drives.front()));
  if (::SendMessageA(drive_, CB_GETCURSEL, 0, 0) >= 0) {
    form_.Drive1_Change();
  }
}

void MainWindow::SetDirectoryFolder(const std::string& folder) {
  directoryFolder_ = NormalFolder(folder);
  FillFolderList();
  // Setting the folder list's folder is a change of it.
  form_.Dir1_Change();
}

void MainWindow::FillFolderList() {
  // The folders from the root down to the current one, then the current
  // one's subfolders, each indented by its depth.
  ::SendMessageA(folders_, LB_RESETCONTENT, 0, 0);
  folderRows_.clear();
  std::vector<std::string> chain;
  for (std::filesystem::path path = PathFromUtf8(directoryFolder_);; path = path.parent_path()) {
    chain.push_back(NormalFolder(Utf8FromPath(path)));
    if (path == path.parent_path() || path.parent_path().empty()) break;
  }
  std::reverse(chain.begin(), chain.end());
  const auto addRow = [this](const std::string& path, std::size_t depth) {
    std::string name = Utf8FromPath(PathFromUtf8(path).filename());
    if (name.empty()) name = path;
    const std::string row = std::string(2 * depth, ' ') + name;
    AddListRow(folders_, row);
    folderRows_.push_back(path);
  };
  for (std::size_t depth = 0; depth < chain.size(); ++depth) addRow(chain[depth], depth);
  ::SendMessageA(folders_, LB_SETCURSEL, chain.size() - 1, 0);
  for (const std::string& subfolder : ListSubfolders(directoryFolder_)) addRow(subfolder, chain.size());
}

void MainWindow::SetFileListFolder(const std::string& folder) {
  fileListFolder_ = NormalFolder(folder);
  fileNames_.clear();
  ::SendMessageA(files_, LB_RESETCONTENT, 0, 0);
  RefreshFileList();
}

bool MainWindow::SelectFile(const std::string& name) {
  const auto found = std::find(fileNames_.begin(), fileNames_.end(), name);
  if (found == fileNames_.end()) {
    return false;
  }
  // Selecting a row scrolls it into view.
  ::SendMessageA(files_, LB_SETCURSEL, static_cast<WPARAM>(found - fileNames_.begin()), 0);
  return true;
}

std::string MainWindow::SelectedFileName() const {
  const LRESULT row = ::SendMessageA(files_, LB_GETCURSEL, 0, 0);
  return row >= 0 && static_cast<std::size_t>(row) < fileNames_.size() ? fileNames_[static_cast<std::size_t>(row)]
                                                                       : std::string();
}

void MainWindow::RefreshFileList() {
  const std::string selected = SelectedFileName();
  const LRESULT top = ::SendMessageA(files_, LB_GETTOPINDEX, 0, 0);
  fileNames_ = ListTgaFiles(fileListFolder_);
  ::SendMessageA(files_, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(files_, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : fileNames_) {
    AddListRow(files_, name);
  }
  // The list keeps its place, then moves as little as it takes to show the
  // selected file, which entries new above it may have pushed out of sight.
  ::SendMessageA(files_, LB_SETTOPINDEX, static_cast<WPARAM>(std::max<LRESULT>(top, 0)), 0);
  SelectFile(selected);
  ::SendMessageA(files_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(files_, nullptr, TRUE);
}

void MainWindow::ShowPicture() { ::ShowWindow(picture_, SW_SHOW); }

void MainWindow::EndProgram() {
  about_.Unload();
  help_.Unload();
  ::DestroyWindow(window_);
}

}  // namespace rastella::win32
