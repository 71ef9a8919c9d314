#include "gimp/timeline/qv_cell_renderer_timeline.h"

#include "core/qv_timeline.h"
#include "core/qv_timeline_cell.h"

#include <algorithm>

struct QVCellRendererTimeline {
  GtkCellRenderer parent;
  double percentage;
  QVahdrChunk *ahdr;
  QVanimChunk *anim;
};

struct QVCellRendererTimelineClass {
  GtkCellRendererClass parent_class;
};

G_DEFINE_TYPE(QVCellRendererTimeline, qv_cell_renderer_timeline, GTK_TYPE_CELL_RENDERER)

namespace {

enum { PROP_0, PROP_PERCENTAGE, PROP_AHDR, PROP_ANIM };

QVCellRendererTimeline *self_of(gpointer object) {
  return G_TYPE_CHECK_INSTANCE_CAST(object, QV_TYPE_CELL_RENDERER_TIMELINE, QVCellRendererTimeline);
}

void get_property(GObject *object, guint id, GValue *value, GParamSpec *spec) {
  QVCellRendererTimeline *self = self_of(object);
  switch (id) {
    case PROP_PERCENTAGE:
      g_value_set_double(value, self->percentage);
      break;
    case PROP_AHDR:
      g_value_set_pointer(value, self->ahdr);
      break;
    case PROP_ANIM:
      g_value_set_pointer(value, self->anim);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
  }
}

void set_property(GObject *object, guint id, const GValue *value, GParamSpec *spec) {
  QVCellRendererTimeline *self = self_of(object);
  switch (id) {
    case PROP_PERCENTAGE:
      self->percentage = g_value_get_double(value);
      break;
    case PROP_AHDR:
      self->ahdr = static_cast<QVahdrChunk *>(g_value_get_pointer(value));
      break;
    case PROP_ANIM:
      self->anim = static_cast<QVanimChunk *>(g_value_get_pointer(value));
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
  }
}

// The cell asks for a time axis as wide as the view's end and a bar's height.
void get_size(GtkCellRenderer *cell, GtkWidget *, GdkRectangle *, gint *x, gint *y, gint *width,
              gint *height) {
  QVCellRendererTimeline *self = self_of(cell);
  if (x) *x = 0;
  if (y) *y = 0;
  int wanted = 200;
  if (self->ahdr && self->ahdr->view_seconds_per_pixel > 0)
    wanted = std::max(wanted, static_cast<int>((self->ahdr->end - self->ahdr->view_start) /
                                               self->ahdr->view_seconds_per_pixel) +
                                  1);
  if (width) *width = wanted + 2 * static_cast<int>(cell->xpad);
  if (height) *height = 20 + 2 * static_cast<int>(cell->ypad);
}

void render(GtkCellRenderer *cell, GdkDrawable *window, GtkWidget *widget, GdkRectangle *,
            GdkRectangle *area, GdkRectangle *expose, GtkCellRendererState flags) {
  QVCellRendererTimeline *self = self_of(cell);
  if (!self->ahdr || !self->anim) return;
  const bool selected =
      (flags & GTK_CELL_RENDERER_SELECTED) && widget && gtk_widget_has_focus(widget);
  const GdkColor &fg = widget->style->fg[selected ? GTK_STATE_SELECTED : GTK_STATE_NORMAL];
  cairo_t *cr = gdk_cairo_create(window);
  if (expose) {
    gdk_cairo_rectangle(cr, expose);
    cairo_clip(cr);
  }
  const QVCellRect rect = {area->x, area->y, area->width, area->height};
  for (const QVCellShape &shape :
       qv_timeline_cell_shapes(*self->ahdr, *self->anim, rect, selected)) {
    const QVCellColour &c = shape.colour;
    if (c.foreground)
      cairo_set_source_rgb(cr, fg.red / 65535.0, fg.green / 65535.0, fg.blue / 65535.0);
    else
      cairo_set_source_rgb(cr, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
    const QVCellRect &r = shape.rect;
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    if (shape.lines) cairo_rectangle(cr, r.x, r.y + 2, r.width, r.height);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
}

}  // namespace

static void qv_cell_renderer_timeline_init(QVCellRendererTimeline *self) {
  self->percentage = 0;
  self->ahdr = nullptr;
  self->anim = nullptr;
}

static void qv_cell_renderer_timeline_class_init(QVCellRendererTimelineClass *klass) {
  GObjectClass *object = G_OBJECT_CLASS(klass);
  GtkCellRendererClass *cell = GTK_CELL_RENDERER_CLASS(klass);
  object->get_property = get_property;
  object->set_property = set_property;
  cell->get_size = get_size;
  cell->render = render;
  g_object_class_install_property(
      object, PROP_PERCENTAGE,
      g_param_spec_double("percentage", "Percentage", "The fractional progress to display", 0, 1, 0,
                          G_PARAM_READWRITE));
  g_object_class_install_property(
      object, PROP_AHDR,
      g_param_spec_pointer("ahdr", "Animation Header Chunk", "QVahdrChunk*", G_PARAM_READWRITE));
  g_object_class_install_property(
      object, PROP_ANIM,
      g_param_spec_pointer("anim", "Animation Chunk", "QVanimChunk*", G_PARAM_READWRITE));
}

GtkCellRenderer *qv_cell_renderer_timeline_new(void) {
  return GTK_CELL_RENDERER(g_object_new(QV_TYPE_CELL_RENDERER_TIMELINE, nullptr));
}
