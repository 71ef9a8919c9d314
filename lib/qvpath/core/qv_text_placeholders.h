// Date placeholders in the texts that paths draw: "%D" prints the image's
// date, "%y", "%m", "%d" its parts. Pure text over the date record and the
// month-name lists; the GIMP side supplies both.
#pragma once

#include <string>

#include "core/qv_dates.h"

// Expands every placeholder of `text`:
//   %D   day ". " (with day and month), short month name " " (with month), year
//   %0D  the same with the month number followed by "."
//   %1D  the same with the long month name
//   %y   year (compact number form)   %d   day
//   %m   short month name   %0m   month number   %1m   long month name
// A day or month counts only when above 0. Any digit other than 0 and 1
// before "D" or "m" acts as none ("%5D" is "%D"); "%" before any other
// character gives that character alone ("%%" is "%"), a whole UTF-8
// character when it is one; a "%" at the very end stays as it is.
std::string qv_text_expand_placeholders(const std::string &text, const QVdtfNumbers &date,
                                        const QVmonthNames &names);
