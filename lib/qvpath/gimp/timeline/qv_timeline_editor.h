// The timeline editor: the image's current timeline as a list of entries on
// a time axis, a panel with the selected entry's timing, fades, freezes and
// repeats, and menus to switch, import, export and render timelines. Its
// state is one record; the signal handlers call the functions below, which
// the tests call as well. Every edit marks the timeline changed ("*" in the
// title) until Save stores it as the image's current timeline.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_timeline.h"
#include "core/qv_timeline_edit.h"

// What the editor asks of the window that renders for it (the Animation
// Renderer): `count` frames of a timeline of the image (a name or a ".qvt"
// file) from the first frame's name on, into its memory (every
// preview-step-th frame and the last; none with a step of 0 while saving)
// and, with `save`, into the files; `title` names the job.
struct QVTimelineRenderRequest {
  std::string timeline, title, first_frame;
  long count = 0;
  bool save = false;
  std::optional<int> preview_step;
};
using QVTimelineRenderer = std::function<bool(const QVTimelineRenderRequest &)>;

// Hours, minutes, seconds and frames of one time.
struct QVTimeField {
  GtkWidget *box = nullptr;
  GtkWidget *spins[4] = {};
};

enum QVEntryColumn { QV_ENTRY_CHUNK = 0, QV_ENTRY_CHANGED = 1, QV_ENTRY_RESOLVED = 2 };

struct QVTimelineEditor {
  gint32 image = -1;
  QVTimelineRenderer renderer;  // runs the editor's previews and renders
  GtkWidget *window = nullptr, *menu_bar = nullptr;
  GtkWidget *timeline_menu = nullptr, *edit_menu = nullptr, *rate_item = nullptr,
            *rate_menu = nullptr, *scripts_menu = nullptr;
  GtkWidget *panel = nullptr, *view = nullptr, *ruler = nullptr, *zoom = nullptr;
  GtkListStore *store = nullptr;  // column QV_ENTRY_CHUNK points into `entries`

  // The panel: header fields first, then the selected entry's.
  QVTimeField inpoint, outpoint, begin, duration;
  GtkWidget *out_modes[3] = {};  // In+, Out, End
  GtkWidget *out_frames = nullptr;
  GtkWidget *freeze_before_on = nullptr, *freeze_before_t = nullptr;
  GtkWidget *freeze_behind_on = nullptr, *freeze_behind_t = nullptr;
  GtkWidget *fade_in = nullptr, *t_start = nullptr, *freeze_before_s = nullptr;
  GtkWidget *t_end = nullptr, *freeze_after_s = nullptr, *fade_out = nullptr;
  GtkWidget *script_button = nullptr, *extra_button = nullptr;
  GtkWidget *set_to = nullptr;  // "Set to" menu of begin, rebuilt as it opens
  GtkWidget *repeat_count = nullptr, *repeat_spin = nullptr, *repeat_endless = nullptr;

  QVahdrChunk header;
  std::vector<std::unique_ptr<QVanimChunk>> entries;  // owned for the list's rows
  bool dirty = false;
  std::optional<QVanimChunk> clipboard;
  std::string timeline_file;  // last ".qvt" imported or exported
  int32_t selected_id = 0;    // anim id of the selected entry, 0 none
  int32_t reference_id = 0;   // anim id of the entry selected before it
  int geometry_state = 0;
  int updating = 0;  // above 0 while the editor sets its own widgets
};

// ---- the window --------------------------------------------------------

// Builds and shows the editor on the image's current timeline (a new one,
// "Timeline#1" made unique, when it has none). Needs an initialised toolkit.
// The record lives as long as the window.
QVTimelineEditor *qv_timeline_editor_open(gint32 image, QVTimelineRenderer renderer);

// Shows a timeline in the editor; the selection and the changed marks go.
void qv_timeline_editor_load(QVTimelineEditor &ed, const QVTimeline &timeline, bool dirty);
// The timeline as the editor holds it: header and entries in row order.
QVTimeline qv_timeline_editor_timeline(const QVTimelineEditor &ed);

// Stores the timeline as the image's current one and clears the dirty flag.
// False, with a message, when the image has been closed meanwhile.
bool qv_timeline_editor_save(QVTimelineEditor &ed);
// Whether the image is still open; a message says what to do when not.
bool qv_timeline_editor_image_open(QVTimelineEditor &ed);
// With unsaved changes asks whether to save them first ("No" discards).
// False when the user cancelled: nothing is to change then.
bool qv_timeline_editor_settle(QVTimelineEditor &ed);

void qv_timeline_editor_mark_dirty(QVTimelineEditor &ed);

// ---- the list and the panel --------------------------------------------

int qv_timeline_editor_rows(const QVTimelineEditor &ed);
QVanimChunk *qv_timeline_editor_row(const QVTimelineEditor &ed, int row);
void qv_timeline_editor_select(QVTimelineEditor &ed, int row);
std::optional<int> qv_timeline_editor_selected_row(const QVTimelineEditor &ed);
QVanimChunk *qv_timeline_editor_selected(const QVTimelineEditor &ed);
// How well row `row` resolved against the image's groups (0 not found).
int qv_timeline_editor_resolved(const QVTimelineEditor &ed, int row);

// Inserts before the selected row (first when none is selected) and selects it.
void qv_timeline_editor_insert(QVTimelineEditor &ed, const QVanimChunk &entry, int resolved = 1);
// A new entry with the image's active drawable as target (see qv_entry_new).
QVanimChunk qv_timeline_editor_new_entry(QVTimelineEditor &ed);
void qv_timeline_editor_insert_script(QVTimelineEditor &ed, const std::string &name,
                                      const std::string &text);
void qv_timeline_editor_cut(QVTimelineEditor &ed);
void qv_timeline_editor_copy(QVTimelineEditor &ed);
void qv_timeline_editor_paste(QVTimelineEditor &ed);

// Reads the panel into the header and the selected entry.
void qv_timeline_editor_store_panel(QVTimelineEditor &ed);
// Shows the header and the selected entry in the panel.
void qv_timeline_editor_load_panel(QVTimelineEditor &ed);
// Sets the selected entry's begin (the "Set to" menu).
void qv_timeline_editor_set_begin(QVTimelineEditor &ed, double seconds);
// Sets the selected entry's fades and freezes ("Enter Fade/Freeze!").
void qv_timeline_editor_set_fade_freeze(QVTimelineEditor &ed, const QVFadeFreeze &values);
// Replaces the current timeline by the joined dated timelines ("Make
// #!COMBINED...") or those the text names ("Make #!TMP..."), and shows it.
// False, with the reason shown, when nothing was made.
bool qv_timeline_editor_make_combined(QVTimelineEditor &ed, const std::optional<std::string> &text);

// The text editor on the selected entry's script text or extra data.
void qv_timeline_editor_edit_text(QVTimelineEditor &ed, bool extra);
// Replaces the selected entry's script text or extra data.
void qv_timeline_editor_set_text(QVTimelineEditor &ed, bool extra, const std::string &text);

void qv_time_field_set(QVTimeField &field, double seconds, double fps);
double qv_time_field_get(const QVTimeField &field, double fps);

// ---- header ------------------------------------------------------------

void qv_timeline_editor_set_rate(QVTimelineEditor &ed, double fps);
void qv_timeline_editor_set_interlace(QVTimelineEditor &ed, int interlace);
void qv_timeline_editor_set_flatten(QVTimelineEditor &ed, bool flatten);
// The time axis: seconds per 100 pixels.
void qv_timeline_editor_set_zoom(QVTimelineEditor &ed, double seconds_per_100px);

// ---- timelines ---------------------------------------------------------

// Each asks about unsaved changes first and does nothing when cancelled.
// New and duplicate store the new timeline as current (the former goes to
// recent); switching makes timeline `index` of the image current.
bool qv_timeline_editor_new(QVTimelineEditor &ed, const std::string &name, bool duplicate);
bool qv_timeline_editor_switch(QVTimelineEditor &ed, int index);
// Shows the image's current timeline again (after the administration).
void qv_timeline_editor_reload(QVTimelineEditor &ed);
// A ".qvt" file's timeline replaces the editor's (unsaved until Save).
bool qv_timeline_editor_import(QVTimelineEditor &ed, const std::string &file);
bool qv_timeline_editor_export(QVTimelineEditor &ed, const std::string &file);

// ---- templates ---------------------------------------------------------

std::vector<QVanimChunk> qv_animation_templates();
bool qv_timeline_editor_template_add(QVTimelineEditor &ed);
bool qv_timeline_editor_template_insert(QVTimelineEditor &ed, int index);
bool qv_timeline_editor_template_remove(int index);

// ---- rendering ---------------------------------------------------------

// What the "Render & Save" dialog asks for.
struct QVRenderSaveChoice {
  std::string frame_file;
  bool flatten = true;
  double fps = 25;
  int interlace = QV_PROGRESSIVE;
  std::string before_save;  // script run before each save, "" none
  int preview_step = 0;     // 0: keep no preview
};
// Updates the header, stores the timeline as current and starts the
// renderer's job. False with a message when the frame name has no
// extension or nothing can be rendered.
bool qv_timeline_editor_render_save(QVTimelineEditor &ed, const QVRenderSaveChoice &choice);
// Renders `count` frames spread over the timeline into the renderer's
// memory; no file is written and the image's timelines stay as they are.
bool qv_timeline_editor_preview(QVTimelineEditor &ed, long count);

// Builds the menu bar (in qv_timeline_editor_menus.cpp).
GtkWidget *qv_timeline_editor_menus(QVTimelineEditor &ed);
// Updates the rate menu's label and items to the header.
void qv_timeline_editor_sync_rate_menu(QVTimelineEditor &ed);
void qv_timeline_editor_update_title(QVTimelineEditor &ed);

// Fills "General Scripts" as it opens (the editor's and the renderer's):
// per script an item that chooses its file for the image, and the chosen
// file with an item that removes it.
void qv_general_scripts_fill(GtkWidget *menu, gint32 image, GtkWindow *parent);

// The "Render preview only!" dialog for a timeline of the image (a name or a
// ".qvt" file): the number of frames to spread over it, or none.
std::optional<long> qv_preview_count_dialog(GtkWindow *parent, long total, long preset);
