// Dates and month names as scripts hand them over: a text holding two dates
// to interpolate between, a ";"-separated month list typed by a user, and
// the fade opacity given in percent. Pure logic over GLib.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/qv_dates.h"

// The date at t between the first date of the text and the one that follows
// it after its ";" ("27. 1. 2007; Aug. -40"). A text with one date gives that
// date at every t; a text without any date gives none.
std::optional<QVdtfNumbers> qv_dtf_from_text(const char *text, double t);

// Twelve names from "Januar; Februar; ...": the pieces are trimmed, and a
// missing or empty piece keeps the built-in name of that month. Tabs inside
// a name become blanks and broken UTF-8 is mended, so that the stored list
// always reads back as twelve names.
QVmonthList qv_month_list_from_user(std::string_view text, QVmonthForm form);

std::string qv_month_list_join(const QVmonthList &list, std::string_view separator);

// Percent to the 0..1 fraction the animation fades by; NaN is no fade (1).
double qv_fade_fraction(double percent);
