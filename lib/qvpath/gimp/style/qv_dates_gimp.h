// The image's date record and the user's month names, as GIMP keeps them:
// the record in the image parasite "qv-dtf-numbers" (88 bytes, flags 0: it
// lives only as long as the open image, is never saved and never undone),
// the month names in the GIMP-wide parasites "qv-month-names" and
// "qv-month-names-short" (twelve tab-separated names each).
#pragma once

#include <libgimp/gimp.h>

#include <cstdint>
#include <string>

#include "core/qv_dates.h"

extern const char *const QV_DTF_PARASITE;                // "qv-dtf-numbers"
extern const char *const QV_MONTH_NAMES_PARASITE;        // "qv-month-names"
extern const char *const QV_MONTH_NAMES_SHORT_PARASITE;  // "qv-month-names-short"

// The image's record; all zeros (valid 0) when the parasite is missing or
// too short to be a record.
QVdtfNumbers qv_dtf_read_date(gint32 image);

// Replaces the numbers selected by `mask` (QV_DTF_YEAR, ...) in the image's
// record, takes valid from `record`, and attaches the result. False when
// GIMP refused the parasite.
bool qv_dtf_store_date(gint32 image, std::uint32_t mask, const QVdtfNumbers &record);

// The month names as GIMP holds them now, read afresh on every call.
QVmonthNames qv_month_names_read();

// The month names in use: read once per process, on first use, and kept, so
// that a render sees one set of names from its first frame to its last.
QVmonthNames qv_month_names();

// Drops the kept names, so that the next qv_month_names() reads them again.
// For tests, which run many cases in one process.
void qv_month_names_forget();

// The name of a month number with the names in use (see qv_month_name in
// qv_dates.h for numbers that are no month).
std::string qv_month_name(double number, QVmonthForm form);
