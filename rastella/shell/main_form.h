#pragma once
// The main window's logic: the image state, the control events and the
// operations of the codecs and the display, all run against the window
// operations so that the same code drives the Qt window and the headless one.

#include <cstdint>
#include <string>
#include <span>
#include <vector>

#include "shell/image_state.h"
#include "shell/window_operations.h"

namespace rastella {

class MainForm {
 public:
  explicit MainForm(WindowOperations& window);

  // Control events.
  void Form_Load();
  void Drive1_Change();
  void Dir1_Change();
  void File1_Click();
  void Command1_Click();  // "View"
  void Command2_Click();  // "Exit"
  void Command3_Click();  // "Save TGA"
  void Command4_Click();  // "Save ZTF"
  void Command5_Click();  // "Save ALPHA"
  void Command6_Click();  // "Help"
  void Label1_Click();    // "Ver 1.0"
  void Picture1_Click();  // background cycle

  // Opens `path` as "Open with" does, or a file dropped on the window: a
  // file is selected with its drive and folder and viewed, as if the user
  // had picked them and pressed View; a folder is selected with its drive.
  // A path that cannot be opened changes no list and says why in Text1.
  void OpenPath(const std::string& path);

  // Operations on the image state.  The readers work on the image input file
  // that the View command holds open.
  void GetTGAHeader();
  void MakeALPHAHeader();
  void GetZTFHeader();
  void MakeZTFHeader();
  void GetTGA();
  void ShowTGA();
  void SaveTGA();
  void SaveALPHA();
  void GetZTF();
  void ShowZTF();
  void SaveZTF();

  const ImageState& State() const { return state_; }

 private:
  // The steps that every saver shares after its refusals: the "SAVING"
  // status, the write of `bytes` as `prefix` + the selected name in the
  // file list's folder, and the "SAVED AS" or "ERROR" status.
  void FinishSave(const std::string& prefix, std::span<const std::uint8_t> bytes);
  std::string SavingText(const std::string& prefix) const;
  // False, with "<format>  :  UNSUPPORTED SIZE" in Text1 and nothing
  // loaded, when a header's dimensions do not fit the image state.
  bool FitsOrRefuse(std::int16_t width, std::int16_t height, const std::string& format);

  WindowOperations& window_;
  ImageState state_;
  // The bytes of one whole file: the image input file while View runs
  // (bytes past its end read as 0), the file being written while a save
  // runs.  The two never overlap, so one buffer serves both, and its
  // memory, once touched, is reused by every later view and save.
  ByteBuffer fileBuffer_;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace rastella
