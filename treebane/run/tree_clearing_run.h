#pragma once

namespace treebane {

// The whole of treebane: in the current directory, every regular file whose
// name matches "*.tree.tga" (letter case ignored) gets a backup named after
// it with "_org" appended, unless one exists, and is rewritten from that
// backup as its 18 header bytes followed by 512 x 512 pixel bytes, each
// pixel cleared to 0 where the mask "treebane.data" holds 0. Prints what it
// does, a summary with the number of pixels it cleared, and waits for a
// line of input before it returns.
//
// A texture is either left exactly as it was or completely rewritten,
// whatever fails and whenever the process is interrupted; a backup exists
// either completely or not at all, and always before its texture is
// rewritten. The textures are made durable in batches of up to 64, with one
// sync for each batch; the console lines of a batch's textures appear
// together, once the batch is committed, in the order of the textures.
//
// One run works in a folder at a time: a run that finds another one working
// there says so in one line and waits for it to end before it reads the
// mask. The temporary files that a killed run left behind are removed by the
// next run.
void RunTreeClearing();

}  // namespace treebane
