// A path between two paths: its points interpolated point by point, its name
// derived from the two names ("Star#0" and "Star#10" give "Star#5"), and its
// style interpolated attribute by attribute. Pure text and numbers; the GIMP
// side reads the two paths and writes the new one.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The point triple list at t (cut to 0..1) from `from` to `to`: x and y
// interpolated, the type codes of `from`. Points of `from` beyond the end of
// `to` stay where they are; the result has exactly from's number of values.
std::vector<double> qv_inbetween_points(const std::vector<double> &from,
                                        const std::vector<double> &to, double t);

// The style text at t from `from_style` to `to_style`. Each line of the from
// style whose attribute animates and also occurs in the to style (its last
// occurrence there) is interpolated, colours in the colour mode the from
// style names; "@-date: " moves between the two dates, "use pathname"
// taking the date from the path's name. Every other line is kept as it is,
// and lines only the to style has are not carried over.
std::string qv_inbetween_style(const std::string &from_style, const std::string &to_style, double t,
                               const std::string &from_name, const std::string &to_name);

// The generated name of the path at t between the paths named p0 and p1: the
// number after the last "#" moves from p0's to p1's ("#0" when a name has
// none). `taken` tells whether a name is in use; a taken name gets ":1",
// ":2", ... appended until it is free.
std::string qv_inbetween_name(const std::string &p0, const std::string &p1, double t,
                              const std::function<bool(const std::string &)> &taken);
