// The typed attribute getter: one call reads, merges and de-duplicates a
// path's style once and answers any number of attributes, each into storage
// of its own type.
#pragma once

#include <libgimp/gimp.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <variant>

#include "core/qv_attributes.h"
#include "core/qv_dates.h"
#include "core/qv_snapshot.h"

// Getter flags.
enum : unsigned {
  QV_GET_BINARY = 0x001,     // typed value or default into the caller's storage
  QV_GET_CONTEXT = 0x002,    // push colours, brush, pattern, gradient, font into GIMP's context
  QV_GET_TEXT = 0x004,       // the value as written, or the default as text
  QV_GET_BLACK = 0x010,      // a missing colour is black, not the context's colour
  QV_GET_ANY = 0x020,        // result 1 when any key was found
  QV_GET_GEOMETRY = 0x040,   // geometric defaults from the path
  QV_GET_RAW = 0x080,        // every value as text, none when missing
  QV_GET_OVERRIDE = 0x100,   // merge the sheet, the own style and the override text
  QV_GET_EXTENSION = 0x200,  // ";" and the text after the first ";", or ""
  QV_GET_MASK = 0x400,       // result: bit i set when key i was found
};

// Where one attribute's answer goes. Text, raw and extension modes write a
// string; binary mode the attribute's own shape. std::monostate asks only
// whether the attribute is present.
using QVAttrOut =
    std::variant<std::monostate, double *, int *, GimpRGB *, std::optional<std::string> *,
                 QVRotation *, QVTriple *, QVSize *, QVmotionAngle *, QVdtfNumbers *>;

struct QVAttrRequest {
  const char *key;  // with its colon and blank: "stroke: "
  QVAttrOut out;
};

// Reads the requested attributes of `path`. Without QV_GET_OVERRIDE the own
// style alone is read; with it the sheet, the own style and `override_text`.
// Result: with QV_GET_MASK the found-mask; with QV_GET_ANY 1 when any key
// was found; else 1 when every key was found. 0 for an unknown path. An out
// of the wrong type for the mode ends the processing at that pair.
int qv_path_get_style_attribute(gint32 image, const char *path, const QVSnapshot *snapshot,
                                unsigned flags, const char *override_text,
                                std::initializer_list<QVAttrRequest> requests);
