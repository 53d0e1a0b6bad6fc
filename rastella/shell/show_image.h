#pragma once
// The status line of a loaded image, and the View steps that write it and
// draw the image into the picture box.

#include <string>

#include "display/picture.h"
#include "shell/image_state.h"
#include "shell/window_operations.h"

namespace rastella {

// The status line that ShowTGA writes, or "TGA  :  UNSUPPORTED FORMAT".
std::string TgaStatusLine(const ImageState& state);
std::string ZtfStatusLine(const ImageState& state);

// Writes the status line and draws a TGA image; an image type other than 2
// and 3 is refused and clears ImageLoaded.
void ShowTGA(ImageState& state, StatusLineOperations& status, PictureOperations& picture);

// Draws a ZTF image between "Processing file, please wait" and its status
// line.
void ShowZTF(const ImageState& state, StatusLineOperations& status, PictureOperations& picture);

}  // namespace rastella
