// The arithmetic of the path tools: the standard keyspline, which paths a
// new keyspline animates and how their tattoos are listed, the ellipse on a
// selection and the positions of a guide grid. Pure logic; the GIMP side
// reads the image and writes the paths.
#pragma once

#include <optional>
#include <string>
#include <vector>

// One Bezier segment across a 200 × 200 box as 15 numbers (x, y, type per
// point): from lower left to upper right, or with `falling` from upper left
// to lower right.
std::vector<double> qv_keyspline_default_points(bool falling);

struct QVToolPath {
  std::string name;
  long tattoo = 0;
  bool locked = false;
  bool current = false;
};

// What a keyspline for the locked paths animates, from the paths listed
// bottom of the Paths dialog first: every locked or current path that is
// no helper path and no keyspline, as decimal tattoos separated by blanks,
// one group per draw-group number (a path without one a group of its own),
// groups joined with "; ". A locked keyspline is the template whose points
// the new keyspline takes.
struct QVKeysplineMembers {
  std::string tattoos;
  std::optional<std::string> template_path;
  int count = 0;
};
QVKeysplineMembers qv_keyspline_members(const std::vector<QVToolPath> &bottom_up);

// The new keyspline's name: "[@] " and the current path's name, or, when
// the template's name holds lines "[@] <path>" naming paths of the image,
// "[@] " and the first of them and " ...".
std::string qv_keyspline_name(const std::string &current,
                              const std::optional<std::string> &template_path,
                              const std::vector<QVToolPath> &paths);

// The same for a stroke keyspline: every locked or current path in walk
// order, blank-separated, no groups; a keyspline among them is the template.
QVKeysplineMembers qv_stroke_keyspline_members(const std::vector<QVToolPath> &bottom_up);

// The closed four-segment ellipse on the box (x1, y1)-(x2, y2): 12 points
// (36 numbers) from the top clockwise, handles 0.552 of the half axes long.
std::vector<double> qv_ellipse_points(double x1, double y1, double x2, double y2);

// Guide positions offset, offset + delta, ... below `size`; none for a
// delta below 1.
std::vector<int> qv_guide_positions(int size, int delta, int offset);

// Joining a path to a reference path: its first anchor moves to the point
// of the reference nearest to it, its first control point to the
// reference's handle after that point (before it, when the path already
// starts there along that handle: a second join goes back). Values are
// rounded to hundredths. The joined path is named by the length along the
// reference, plus the number the reference's name begins with ("%0.1f").
// None when the path has fewer than two points or the reference none.
struct QVJoin {
  std::vector<double> points;
  std::string name;
};
std::optional<QVJoin> qv_join_to_reference(const std::vector<double> &path,
                                           const std::vector<double> &reference,
                                           const std::string &reference_name);
