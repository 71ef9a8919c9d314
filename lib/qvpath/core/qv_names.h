// Name rules for paths and layers. A path name may carry a draw-group prefix
// ("{3}"), a bracket part ("[@]", "[label]") and a quoted text; names that
// begin with "۞ " (U+06DE and a blank) are reserved for the suite's own
// helper objects: Edit Style Layers (ESLs) and the helper paths that edit
// "rotate-at: " and "gradient-line: " on the canvas.
//
// Every question about a name goes through one classifier so that all parts
// of the suite agree on the grammar. Pure text: works on UTF-8 bytes and
// never calls GIMP.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The reserved names, as UTF-8 bytes.
extern const char *const QV_HELPER_MARK;          // "۞ "
extern const char *const QV_ESL_PREFIX;           // "۞ ESL-"
extern const char *const QV_GROUP_ESL_SUFFIX;     // "۞ Edit Style Layer"
extern const char *const QV_ROTATION_PREFIX;      // "۞ Rotation-"
extern const char *const QV_GROUP_ROTATION_STEM;  // "۞ Rotation"
extern const char *const QV_GRADIENT_PREFIX;      // "۞ Gradient-"

enum QVNameQuery : int {
  QV_NAME_BRACKET = 0,          // text: "[...]" at the start of the rest
  QV_NAME_QUOTED = 1,           // text: between the quotes
  QV_NAME_GROUP = 2,            // number: n of "{n}", else 0
  QV_NAME_GROUP_ROTATION = 3,   // number: n of "{n}۞ Rotation..."
  QV_NAME_ROTATION_TATTOO = 4,  // number: t of "۞ Rotation-t "
  QV_NAME_AFTER_GROUP = 5,      // text: the name after "{n}", blanks kept
  QV_NAME_GRADIENT_TATTOO = 6,  // number: t of "۞ Gradient-t "
  QV_NAME_ESL_TATTOO = 7,       // number: t of exactly "۞ ESL-t"
  QV_NAME_GROUP_ESL = 8,        // number: n of exactly "{n}۞ Edit Style Layer"
  QV_NAME_MALFORMED_ESL = 9,    // number: non-zero for a copied/renamed ESL
  QV_NAME_AFTER_BRACKET = 10,   // text: the rest after the bracket part
};

// Numbers are read as decimal digits up to the first non-digit and saturate
// at the largest tattoo (2147483647), so no name can overflow them. Text
// queries and unknown query numbers answer 0.
long qv_name_query_number(const std::string &name, int query);

// Text queries; none when the part is absent. Without a bracket part query 10
// answers none as query 0 does. Numeric and unknown queries answer none.
std::optional<std::string> qv_name_query_text(const std::string &name, int query);

// A rotation helper (per path or per group) or a gradient helper path.
bool qv_name_is_helper_path(const std::string &name);

// A per-path or group ESL name, exactly.
bool qv_is_esl_name(const std::string &name);

// The ESL layer name of an owner: the path's tattoo when > 0, the negated
// group number when < 0. "" for owner 0, which names nothing.
std::string qv_esl_name(long owner);

// Helper path names, built with their trailing blank. GIMP 2.10 strips
// trailing blanks from item names, so a stored helper may lack it: find
// helpers through the queries (or the finders below), never by comparing
// with these strings.
std::string qv_rotation_helper_name(long tattoo);
std::string qv_group_rotation_helper_name(long group);
std::string qv_gradient_helper_name(long tattoo);

// Among an image's path names, the rotation helper that serves `owner` (of
// tattoo `owner_tattoo`): its draw group's helper when the owner is in a
// group, its own otherwise; none when there is none or the tattoo is
// below 1.
std::optional<std::string> qv_find_rotation_helper(const std::vector<std::string> &names,
                                                   const std::string &owner, long owner_tattoo);
// The gradient helper of the path of that tattoo, or none.
std::optional<std::string> qv_find_gradient_helper(const std::vector<std::string> &names,
                                                   long owner_tattoo);

// Path kind bits.
enum QVPathKind : int {
  QV_PATH_KIND_IMAGE = 1,         // no bracket, no quote, style places an image
  QV_PATH_KIND_BRACKET = 2,       // a non-keyspline bracket part
  QV_PATH_KIND_TEXT = 4,          // a quoted text
  QV_PATH_KIND_KEYSPLINE = 8,     // bracket part beginning "[@"
  QV_PATH_KIND_TO_SCRIPT = 16,    // "[@->S]"
  QV_PATH_KIND_FROM_SCRIPT = 32,  // "[@<-S]"
  QV_PATH_KIND_SCRIPT = 64,       // "[@-Script]"
};

// The kind bit set of a path name; style_has_image tells whether the path's
// style has an "image: " attribute (asked only for plain names).
int qv_path_kind_from_name(const std::string &name, bool style_has_image);
