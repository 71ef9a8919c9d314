// Dialog tests under a light and a dark theme: the theme's colours given to
// one window, and what a tree view really paints its rows with.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "core/qv_row_colours.h"

enum class QVTestTheme { light, dark };

// "light" or "dark", for messages and screenshot names.
const char *qv_test_theme_name(QVTestTheme theme);

// Gives the window and everything in it the theme's colours. The gtkrc
// styles are bound to the window's name, so other windows of the test
// process keep theirs and both themes can be tried in one process.
void qv_test_apply_theme(GtkWidget *window, QVTestTheme theme);

// Shows the window and waits until it has been drawn.
void qv_test_show_and_draw(GtkWidget *window);

// Gives the window keyboard focus and the widget the focus within it, as a
// click would (Xvfb has no window manager to do it); then redraws. A focused
// view paints its selection in base[SELECTED], an unfocused one in
// base[ACTIVE].
void qv_test_focus(GtkWidget *window, GtkWidget *widget);

// Saves the window as a PNG named NAME.png into the folder that the
// environment variable QV_TEST_SCREENSHOTS names; nothing when it is unset.
void qv_test_screenshot(GtkWidget *window, const std::string &name);

// Checks every row of a drawn view, selected or not, each with a message
// naming WHAT:
// - where a row sets colours of its own, the colours its text cells are
//   given (with the theme's standing in for the one it does not set)
//   contrast at least QV_READABLE_CONTRAST;
// - on screen, an unselected row shows its background, a selected one the
//   theme's selection colour (the row's own colours must not cover it;
//   under a theme engine, which paints the selection as it likes, only the
//   latter is checked);
// - the text's darkest or lightest pixel stands out from that background
//   (contrast at least 3, leaving room for anti-aliasing).
void qv_test_expect_rows_readable(GtkTreeView *view, const std::string &what);
