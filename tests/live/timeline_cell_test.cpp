// The timeline cell renderer drawn off screen: the entry's phases appear at
// their x positions in their colours, the freeze as two lines in the text
// colour, and the pointers it is given come back through its properties.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <string>

#include "core/qv_timeline.h"
#include "gimp/timeline/qv_cell_renderer_timeline.h"
#include "gimp/ui/qv_dialogs.h"
#include "live_support.h"

namespace {

struct Rgb {
  int r, g, b;
};

Rgb pixel_of(GdkPixbuf *p, int x, int y) {
  const guchar *at =
      gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) + x * gdk_pixbuf_get_n_channels(p);
  return {at[0], at[1], at[2]};
}

::testing::AssertionResult is(const Rgb &got, const Rgb &want) {
  if (got.r == want.r && got.g == want.g && got.b == want.b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << got.r << " " << got.g << " " << got.b << " instead of "
                                       << want.r << " " << want.g << " " << want.b;
}

TEST(TimelineCellLive, PhasesArePaintedWhereAndAsTheyShould) {
  ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display";
  QVahdrChunk header;
  header.view_start = 0;
  header.view_seconds_per_pixel = 0.1;
  header.outpoint_mode = QV_OUT_EXPLICIT;
  header.outpoint = 25;
  QVanimChunk entry;
  entry.begin = 5;
  entry.duration = 2;
  entry.fade_in = 1;
  entry.freeze_before = 1;
  entry.repeat = 1;
  entry.freeze_after = 2;
  entry.fade_out = 1;

  GtkCellRenderer *cell = qv_cell_renderer_timeline_new();
  g_object_ref_sink(cell);
  g_object_set(cell, "ahdr", &header, "anim", &entry, "percentage", 0.5, nullptr);
  gpointer ahdr = nullptr, anim = nullptr;
  g_object_get(cell, "ahdr", &ahdr, "anim", &anim, nullptr);
  EXPECT_EQ(ahdr, &header);
  EXPECT_EQ(anim, &entry);

  GtkWidget *widget = gtk_label_new("");
  g_object_ref_sink(widget);
  gtk_widget_ensure_style(widget);
  const GdkColor fg = widget->style->fg[GTK_STATE_NORMAL];
  GdkPixmap *pixmap = gdk_pixmap_new(gdk_get_default_root_window(), 300, 20, -1);
  cairo_t *cr = gdk_cairo_create(pixmap);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  GdkRectangle area = {0, 0, 300, 20};
  gtk_cell_renderer_render(cell, GDK_WINDOW(pixmap), widget, &area, &area, &area,
                           GtkCellRendererState(0));
  GdkPixbuf *shot =
      gdk_pixbuf_get_from_drawable(nullptr, pixmap, nullptr, 0, 0, 0, 0, area.width, area.height);
  ASSERT_NE(shot, nullptr);
  if (const char *folder = g_getenv("QV_TEST_SCREENSHOTS"))
    gdk_pixbuf_save(shot, (std::string(folder) + "/timeline-cell.png").c_str(), "png", nullptr,
                    nullptr);

  const Rgb white = {255, 255, 255}, text = {fg.red >> 8, fg.green >> 8, fg.blue >> 8};
  EXPECT_TRUE(is(pixel_of(shot, 35, 5), {0xF0, 0xE9, 0x11})) << "fade-in";
  EXPECT_TRUE(is(pixel_of(shot, 45, 9), text)) << "freeze-before, upper line";
  EXPECT_TRUE(is(pixel_of(shot, 45, 10), white)) << "between the freeze lines";
  EXPECT_TRUE(is(pixel_of(shot, 45, 11), text)) << "freeze-before, lower line";
  EXPECT_TRUE(is(pixel_of(shot, 55, 10), {0x3D, 0x85, 0x11})) << "first pass, t rising";
  EXPECT_TRUE(is(pixel_of(shot, 75, 10), {0x0A, 0xA4, 0xAA})) << "repeats";
  EXPECT_TRUE(is(pixel_of(shot, 95, 9), text)) << "freeze-after";
  EXPECT_TRUE(is(pixel_of(shot, 115, 15), {0xF0, 0xE9, 0x11})) << "fade-out";
  EXPECT_TRUE(is(pixel_of(shot, 115, 3), white)) << "fade-out starts 7 pixels down";
  EXPECT_TRUE(is(pixel_of(shot, 250, 5), {0xF0, 0xB1, 0x08})) << "outpoint";
  EXPECT_TRUE(is(pixel_of(shot, 0, 5), {0xF0, 0x08, 0x39})) << "inpoint";
  EXPECT_TRUE(is(pixel_of(shot, 150, 10), white)) << "nothing after the fade-out";

  g_object_unref(shot);
  g_object_unref(pixmap);
  g_object_unref(widget);
  g_object_unref(cell);
}

}  // namespace
