// Texts drawn by a path: in one piece at the text place, or letter by
// letter along a text path (or with letter spacing) as GIMP renders them.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "core/qv_letters.h"
#include "core/qv_placement.h"  // QVPlacement
#include "core/qv_snapshot.h"

// Draws `raw_text` (placeholders expanded) of the path `path` at `place`
// on the active drawable. False (after telling the user) when the text is
// neither UTF-8 nor Latin-1, which ends the whole draw.
bool qv_draw_text(gint32 image, const std::string &path, const std::string &raw_text,
                  const QVTextPlace &place, const QVSnapshot *snapshot, const char *override_text,
                  const QVPlacement &placement);
