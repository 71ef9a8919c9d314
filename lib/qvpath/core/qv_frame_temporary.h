// The temporary file a frame is written to before it is renamed to its own
// name, so that a frame file is either whole or absent: "shot_0007.png" is
// written as ".shot_0007.png.part.png" in the same folder (hidden, and still
// ending in the format's extension for GIMP's save). The renderer saves
// through it; the batch launcher clears what a GIMP it ended left behind.
#pragma once

#include <string>

std::string qv_frame_temporary_name(const std::string &frame_file);
