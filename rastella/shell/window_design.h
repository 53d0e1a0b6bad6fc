#pragma once
// The design of the viewer's windows, shared by every front end: control
// positions (designed in twips, 15 to a pixel), colours, captions and the
// fixed texts of the About and Help windows.

#include <string>

#include "shell/image_state.h"

namespace rastella::design {

inline constexpr int kTwipsPerPixel = 15;

struct Rect {
  int left;
  int top;
  int width;
  int height;
};

constexpr Rect FromTwips(int left, int top, int width, int height) {
  return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

// The main window "Form1" and its client area.
inline constexpr const char* kMainCaption = "Form1";
inline constexpr int kClientWidth = 12120 / kTwipsPerPixel;
inline constexpr int kClientHeight = 9270 / kTwipsPerPixel;

inline constexpr Rect kPicture1 = FromTwips(360, 480, 7770, 7770);
inline constexpr Rect kCommand1 = FromTwips(8400, 6240, 1815, 495);   // "View"
inline constexpr Rect kCommand2 = FromTwips(10560, 8400, 1215, 495);  // "Exit"
inline constexpr Rect kDrive1 = FromTwips(8400, 480, 3375, 315);
inline constexpr Rect kDir1 = FromTwips(8400, 960, 3375, 2115);
inline constexpr Rect kFile1 = FromTwips(8400, 3240, 3375, 2625);
inline constexpr Rect kText1 = FromTwips(360, 8520, 7695, 375);
inline constexpr Rect kCommand3 = FromTwips(8400, 7680, 1815, 495);   // "Save TGA"
inline constexpr Rect kCommand4 = FromTwips(8400, 8400, 1815, 495);   // "Save ZTF"
inline constexpr Rect kCommand5 = FromTwips(8400, 6960, 1815, 495);   // "Save ALPHA"
inline constexpr Rect kCommand6 = FromTwips(10560, 6960, 1215, 495);  // "Help"
inline constexpr Rect kLabel1 = FromTwips(10800, 6360, 855, 255);     // "Ver 1.0"

inline constexpr ColorValue kDriveListColor = MakeColor(192, 255, 255);
inline constexpr ColorValue kFolderListColor = MakeColor(255, 255, 192);
inline constexpr ColorValue kFileListColor = MakeColor(192, 255, 192);  // the "green list"
inline constexpr ColorValue kHelpTextColor = MakeColor(255, 224, 192);

// The buttons and the label use a bold font of this size, the status line
// the same font in regular weight.
inline constexpr double kFontPoints = 9.75;

// The About window "About MyApp".
inline constexpr const char* kAboutCaption = "About MyApp";
inline constexpr const char* kAboutTitle = "TGA/ZTF Viewer Converter";
inline constexpr const char* kAboutVersionAtDesign = "Version 1.0";
// Set when the window loads: two lines.
inline constexpr const char* kAboutVersion = "Version 1.0\r\nZTF algorithm ver 0.90";
inline constexpr const char* kAboutDescription = "Views TGA and ZTF images and converts them between the two formats.";

// The Help window "Form2".
inline constexpr const char* kHelpCaption = "Form2";

// The usage text of the Help window: 26 lines joined with carriage return
// and line feed, without a line end after the last.
std::string UsageText();

}  // namespace rastella::design
