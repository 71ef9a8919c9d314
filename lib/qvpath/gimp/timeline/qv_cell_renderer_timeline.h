// The timeline editor's cell renderer: draws one entry of the timeline on
// the view's time axis (core/qv_timeline_cell.h says where and in which
// colour). A GtkCellRenderer type with the properties "percentage",
// "ahdr" (the header, QVahdrChunk*) and "anim" (the entry, QVanimChunk*);
// both pointers are borrowed from the editor's model.
#pragma once

#include <gtk/gtk.h>

G_BEGIN_DECLS

#define QV_TYPE_CELL_RENDERER_TIMELINE (qv_cell_renderer_timeline_get_type())

struct QVCellRendererTimeline;
struct QVCellRendererTimelineClass;

GType qv_cell_renderer_timeline_get_type(void);
GtkCellRenderer *qv_cell_renderer_timeline_new(void);

G_END_DECLS
