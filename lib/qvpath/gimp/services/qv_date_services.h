// What the date service plug-in hands to scripts: the bounding boxes a draw
// left behind, the image's date record, the fade opacity of animations, raw
// GIMP-wide parasites and the user's month names. Scripts may pass image ids
// of -1 or 0 and names of parasites that do not exist: those read as zeros
// or nothing and change nothing.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

#include "core/qv_dates.h"
#include "gimp/style/qv_bbox.h"

// The stored box "qv-bbox-image" or "qv-bbox-path"; zeros when none is stored.
QVBox qv_bbox_or_zeros(const char *name);

// The image's record as stored, or after validation; zeros for no image.
QVdtfNumbers qv_dtf_service_read(gint32 image, bool validated);

// Stores the date at t between the two dates (year, month and day).
void qv_dtf_service_set(gint32 image, const QVdtfNumbers &date0, const QVdtfNumbers &date1,
                        double t);

// Stores the date at t between the two dates of the text; a text without a
// date is reported and stores nothing.
void qv_dtf_service_set_from_text(gint32 image, const char *text, double t);

// The bytes of the GIMP-wide parasite, or none when there is no such parasite.
std::optional<std::vector<guint8>> qv_global_parasite_bytes(const char *name);

// Stores the user's ";"-separated month names (persistent GIMP-wide parasite
// "qv-month-names" or "qv-month-names-short") and returns the twelve names in
// use joined with "; ".
std::string qv_month_names_set(QVmonthForm form, const char *text);
