#include "theme_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace {

// The dark theme has the colours of GIMP 2.10's own "Dark" theme: pale text
// (#DDDDDD) on dark bases, and a pale selection with dark text when the
// view has focus.
const char *const kThemes = R"(
style "qv-test-light" {
  bg[NORMAL] = "#EDEDED"  fg[NORMAL] = "#000000"
  base[NORMAL] = "#FFFFFF"  text[NORMAL] = "#000000"
  base[SELECTED] = "#4A90D9"  text[SELECTED] = "#FFFFFF"  bg[SELECTED] = "#4A90D9"  fg[SELECTED] = "#FFFFFF"
  base[ACTIVE] = "#C4C4C4"  text[ACTIVE] = "#000000"
}
style "qv-test-dark" {
  bg[NORMAL] = "#454545"  fg[NORMAL] = "#DDDDDD"
  bg[PRELIGHT] = "#3B3B3B"  fg[PRELIGHT] = "#FFFFFF"
  bg[ACTIVE] = "#383838"  fg[ACTIVE] = "#C1C1C1"
  bg[SELECTED] = "#555555"  fg[SELECTED] = "#DDDDDD"
  base[NORMAL] = "#303030"  text[NORMAL] = "#DDDDDD"
  base[PRELIGHT] = "#3B3B3B"  text[PRELIGHT] = "#DDDDDD"
  base[ACTIVE] = "#3B3B3B"  text[ACTIVE] = "#DDDDDD"
  base[SELECTED] = "#DDDDDD"  text[SELECTED] = "#3B3B3B"
}
widget "qv-test-theme-light*" style "qv-test-light"
widget "qv-test-theme-dark*" style "qv-test-dark"
)";

constexpr double kInkContrast = 3.0;

QVRgb16 rgb16(const GdkColor &c) { return {c.red, c.green, c.blue}; }
QVRgb16 rgb16(const guchar *pixel) {
  return {static_cast<std::uint16_t>(pixel[0] * 257), static_cast<std::uint16_t>(pixel[1] * 257),
          static_cast<std::uint16_t>(pixel[2] * 257)};
}

std::string hex(const QVRgb16 &c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", c.red >> 8, c.green >> 8, c.blue >> 8);
  return text;
}

// Equal as a 24-bit screen shows them.
bool same_on_screen(const QVRgb16 &a, const QVRgb16 &b) {
  return a.red >> 8 == b.red >> 8 && a.green >> 8 == b.green >> 8 && a.blue >> 8 == b.blue >> 8;
}

void settle() {
  for (int i = 0; i < 20; ++i) {
    gdk_window_process_all_updates();
    while (gtk_events_pending()) gtk_main_iteration();
    gdk_display_sync(gdk_display_get_default());
    g_usleep(5000);
  }
}

struct CellColours {
  std::string column;
  QVRgb16 foreground;
  QVRgb16 background;
  bool own = false;  // the row sets a colour of its own
};

// What each text cell of the row is told to paint an unselected row with.
std::vector<CellColours> cell_colours(GtkTreeView *view, GtkTreeIter *iter) {
  GtkStyle *style = gtk_widget_get_style(GTK_WIDGET(view));
  GtkTreeModel *model = gtk_tree_view_get_model(view);
  std::vector<CellColours> colours;
  GList *columns = gtk_tree_view_get_columns(view);
  for (GList *c = columns; c; c = c->next) {
    auto *column = GTK_TREE_VIEW_COLUMN(c->data);
    gtk_tree_view_column_cell_set_cell_data(column, model, iter, FALSE, FALSE);
    GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
    for (GList *r = cells; r; r = r->next) {
      if (!GTK_IS_CELL_RENDERER_TEXT(r->data)) continue;
      gboolean cell_background_set = FALSE, background_set = FALSE, foreground_set = FALSE;
      GdkColor *cell_background = nullptr, *background = nullptr, *foreground = nullptr;
      g_object_get(r->data, "cell-background-set", &cell_background_set, "cell-background-gdk",
                   &cell_background, "background-set", &background_set, "background-gdk",
                   &background, "foreground-set", &foreground_set, "foreground-gdk", &foreground,
                   nullptr);
      const gchar *title = gtk_tree_view_column_get_title(column);
      CellColours cell{title ? title : "", rgb16(style->text[GTK_STATE_NORMAL]),
                       rgb16(style->base[GTK_STATE_NORMAL])};
      // The text renderer's own background is painted over the cell's.
      if (cell_background_set && cell_background) cell.background = rgb16(*cell_background);
      if (background_set && background) cell.background = rgb16(*background);
      if (foreground_set && foreground) cell.foreground = rgb16(*foreground);
      cell.own = (cell_background_set && cell_background) || (background_set && background) ||
                 (foreground_set && foreground);
      for (GdkColor *colour : {cell_background, background, foreground})
        if (colour) gdk_color_free(colour);
      colours.push_back(cell);
    }
    g_list_free(cells);
  }
  g_list_free(columns);
  return colours;
}

struct RowPixels {
  QVRgb16 background;  // the commonest colour
  QVRgb16 ink;         // the colour that contrasts most with it
  double contrast = 1.0;
};

// The text area of the row's first column, inside the focus rectangle that
// a focused view draws around its cursor row.
std::optional<RowPixels> row_pixels(GtkTreeView *view, GtkTreePath *path) {
  GdkRectangle area;
  gtk_tree_view_get_cell_area(view, path, gtk_tree_view_get_column(view, 0), &area);
  gint width = 0, height = 0;
  gdk_drawable_get_size(gtk_tree_view_get_bin_window(view), &width, &height);
  const int inset = 3;
  area.x += inset;
  area.y += inset;
  area.width = std::min(width - inset, area.x + area.width - inset) - area.x;
  area.height -= 2 * inset;
  if (area.width <= 0 || area.height <= 0 || area.y + area.height > height) return std::nullopt;
  GdkPixbuf *pixbuf =
      gdk_pixbuf_get_from_drawable(nullptr, gtk_tree_view_get_bin_window(view), nullptr, area.x,
                                   area.y, 0, 0, area.width, area.height);
  if (!pixbuf) return std::nullopt;
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar *pixels = gdk_pixbuf_get_pixels(pixbuf);
  std::map<std::tuple<int, int, int>, int> counts;
  std::vector<QVRgb16> all;
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x) {
      const guchar *p = pixels + y * stride + x * channels;
      ++counts[{p[0], p[1], p[2]}];
      all.push_back(rgb16(p));
    }
  g_object_unref(pixbuf);
  auto commonest = counts.begin();
  for (auto it = counts.begin(); it != counts.end(); ++it)
    if (it->second > commonest->second) commonest = it;
  RowPixels row;
  const auto [r, g, b] = commonest->first;
  const guchar background[3] = {guchar(r), guchar(g), guchar(b)};
  row.background = rgb16(background);
  row.ink = row.background;
  for (const QVRgb16 &colour : all) {
    const double contrast = qv_contrast_ratio(colour, row.background);
    if (contrast > row.contrast) {
      row.contrast = contrast;
      row.ink = colour;
    }
  }
  return row;
}

}  // namespace

const char *qv_test_theme_name(QVTestTheme theme) {
  return theme == QVTestTheme::dark ? "dark" : "light";
}

void qv_test_apply_theme(GtkWidget *window, QVTestTheme theme) {
  static const bool parsed = [] {
    gtk_rc_parse_string(kThemes);
    return true;
  }();
  (void)parsed;
  const std::string name = std::string("qv-test-theme-") + qv_test_theme_name(theme);
  gtk_widget_set_name(window, name.c_str());
  gtk_widget_reset_rc_styles(window);
}

void qv_test_show_and_draw(GtkWidget *window) {
  gtk_widget_show_all(window);
  gtk_window_present(GTK_WINDOW(window));
  settle();
}

void qv_test_focus(GtkWidget *window, GtkWidget *widget) {
  gtk_widget_grab_focus(widget);
  GdkEvent *event = gdk_event_new(GDK_FOCUS_CHANGE);
  event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
  event->focus_change.in = TRUE;
  gtk_widget_send_focus_change(window, event);
  gdk_event_free(event);
  gtk_widget_queue_draw(window);
  settle();
}

void qv_test_screenshot(GtkWidget *window, const std::string &name) {
  const char *folder = g_getenv("QV_TEST_SCREENSHOTS");
  if (!folder || !*folder) return;
  GdkWindow *gdk_window = gtk_widget_get_window(window);
  gint width = 0, height = 0;
  gdk_drawable_get_size(gdk_window, &width, &height);
  GdkPixbuf *shot =
      gdk_pixbuf_get_from_drawable(nullptr, gdk_window, nullptr, 0, 0, 0, 0, width, height);
  ASSERT_NE(shot, nullptr);
  const std::string file = std::string(folder) + "/" + name + ".png";
  EXPECT_TRUE(gdk_pixbuf_save(shot, file.c_str(), "png", nullptr, nullptr)) << file;
  g_object_unref(shot);
}

void qv_test_expect_rows_readable(GtkTreeView *view, const std::string &what) {
  GtkTreeModel *model = gtk_tree_view_get_model(view);
  GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
  GtkStyle *style = gtk_widget_get_style(GTK_WIDGET(view));
  const GtkStateType selected_state =
      gtk_widget_has_focus(GTK_WIDGET(view)) ? GTK_STATE_SELECTED : GTK_STATE_ACTIVE;
  GtkTreeIter iter;
  int index = 0;
  for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter), ++index) {
    const bool selected = gtk_tree_selection_iter_is_selected(selection, &iter);
    const std::string row =
        what + ", row " + std::to_string(index) + (selected ? " (selected)" : "");
    const auto cells = cell_colours(view, &iter);
    for (const CellColours &cell : cells) {
      if (!cell.own) continue;  // the theme's business
      EXPECT_GE(qv_contrast_ratio(cell.foreground, cell.background), QV_READABLE_CONTRAST)
          << row << ", column \"" << cell.column << "\": text " << hex(cell.foreground) << " on "
          << hex(cell.background);
    }
    GtkTreePath *path = gtk_tree_model_get_path(model, &iter);
    const auto pixels = row_pixels(view, path);
    gtk_tree_path_free(path);
    if (!pixels) {
      ADD_FAILURE() << row << ": not on screen";
      continue;
    }
    if (!selected) {
      // Without colours of its own the row shows whatever the theme paints.
      if (cells.front().own) {
        EXPECT_TRUE(same_on_screen(pixels->background, cells.front().background))
            << row << ": background " << hex(pixels->background) << ", expected "
            << hex(cells.front().background);
      }
    } else if (G_OBJECT_TYPE(style) == GTK_TYPE_STYLE) {
      // GTK's own drawing paints the selection in the base colour.
      const QVRgb16 expected = rgb16(style->base[selected_state]);
      EXPECT_TRUE(same_on_screen(pixels->background, expected))
          << row << ": background " << hex(pixels->background) << ", expected the selection's "
          << hex(expected);
    } else {
      // A theme engine paints the selection its own way (GIMP's themes with
      // images), but never in the row's own colour.
      EXPECT_FALSE(same_on_screen(pixels->background, cells.front().background))
          << row << ": the selection shows the row's own background " << hex(pixels->background);
    }
    EXPECT_GE(pixels->contrast, kInkContrast)
        << row << ": text " << hex(pixels->ink) << " on " << hex(pixels->background);
  }
}
