#include "gimp/ui/qv_dialogs.h"

#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"

static_assert(QV_WINDOW_STATE_ICONIFIED == GDK_WINDOW_STATE_ICONIFIED, "GDK bit moved");
static_assert(QV_WINDOW_STATE_MAXIMIZED == GDK_WINDOW_STATE_MAXIMIZED, "GDK bit moved");

namespace {

const char *const kFallbackProgramName = "qv-path-suite";

// gimp_ui_init() hands GIMP's display name to gtk_init(), which aborts the
// process when that display cannot be opened; probing with gtk_init_check()
// on the same display first lets a headless run degrade instead. A later
// gtk_init() on the already opened display is a no-op.
bool probe_display() {
  if (gdk_display_get_default()) return true;
  if (const char *name = gimp_display_name()) g_setenv("DISPLAY", name, TRUE);
  if (!g_get_prgname()) g_set_prgname(kFallbackProgramName);
  // A busy X server may turn a connection away for a moment (a full listen
  // queue): a dialog the user asked for is worth a few more tries.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (gtk_init_check(nullptr, nullptr)) return true;
    if (!g_getenv("DISPLAY")) break;
    g_usleep(250 * 1000);
  }
  return false;
}

}  // namespace

bool qv_display_available() {
  static const bool available = probe_display();
  return available;
}

bool qv_dialog_toolkit_init() {
  static bool done = false;
  if (done) return true;
  if (!qv_display_available()) return false;
  const char *program = g_get_prgname();
  gimp_ui_init(program ? program : kFallbackProgramName, FALSE);
  done = true;
  return true;
}

// --- Geometry -----------------------------------------------------------------

namespace {

gboolean remember_window_state(GtkWidget *, GdkEventWindowState *event, gpointer cell) {
  *static_cast<int *>(cell) = static_cast<int>(event->new_window_state);
  return FALSE;
}

void apply_plan(GtkWindow *window, const QVGeometryPlan &plan) {
  if (plan.move) gtk_window_move(window, plan.x, plan.y);
  if (plan.set_default_size) gtk_window_set_default_size(window, plan.width, plan.height);
  if (plan.maximize) gtk_window_maximize(window);
}

QVWindowPlacement placement_of(GtkWindow *window) {
  QVWindowPlacement p;
  gtk_window_get_position(window, &p.x, &p.y);
  gtk_window_get_size(window, &p.width, &p.height);
  return p;
}

void store_record(const char *key, const QVDialogGeometry &record) {
  const auto bytes = qv_dialog_geometry_serialize(record);
  qv_parasite_ptr parasite(
      gimp_parasite_new(key, GIMP_PARASITE_PERSISTENT, bytes.size(), bytes.data()));
  if (!gimp_attach_parasite(parasite.get()))
    qv_user_message(_("Could not store the dialog geometry \"%s\"."), key);
}

}  // namespace

std::optional<QVDialogGeometry> qv_dialog_geometry_load(const char *key) {
  if (!key || !qv_global_parasite_listed(key)) return std::nullopt;
  qv_parasite_ptr parasite(gimp_get_parasite(key));
  if (!parasite) return std::nullopt;
  return qv_dialog_geometry_parse(
      gimp_parasite_data(parasite.get()),
      static_cast<std::size_t>(gimp_parasite_data_size(parasite.get())));
}

int qv_dialog_geometry_restore(GtkWindow *window, const char *key, int *tracker) {
  if (!window) return 0;
  if (tracker)
    g_signal_connect(window, "window-state-event", G_CALLBACK(remember_window_state), tracker);
  const auto record = qv_dialog_geometry_load(key);
  if (!record) return 0;
  GdkScreen *screen = gtk_window_get_screen(window);
  apply_plan(window, qv_dialog_geometry_plan_restore(*record, gdk_screen_get_width(screen),
                                                     gdk_screen_get_height(screen)));
  return record->flags;
}

int qv_dialog_geometry_save(GtkWindow *window, const char *key, int last_state, int request) {
  if (!window || !key) return 0;
  const QVDialogGeometry previous = qv_dialog_geometry_load(key).value_or(QVDialogGeometry{});
  const QVGeometrySave save =
      qv_dialog_geometry_plan_save(previous, last_state, request, placement_of(window));
  store_record(key, save.record);
  return save.result;
}

// --- Message dialogs ----------------------------------------------------------

namespace {

// GTK warns and Pango mangles on invalid UTF-8; texts come from scripts.
std::string valid_text(const char *text) {
  if (!text) return std::string();
  return qv_take_string(g_utf8_make_valid(text, -1));
}

std::string title_or(const char *title, const char *fallback) {
  return title ? valid_text(title) : std::string(fallback);
}

GtkWidget *new_dialog(GtkWindow *parent, const std::string &title, bool with_cancel) {
  const auto flags =
      static_cast<GtkDialogFlags>(parent ? GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT : 0);
  GtkWidget *dialog = gtk_dialog_new_with_buttons(title.c_str(), parent, flags, nullptr, nullptr);
  if (with_cancel) gtk_dialog_add_button(GTK_DIALOG(dialog), _("Cancel"), GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(dialog), _("OK"), GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  gtk_window_set_position(GTK_WINDOW(dialog),
                          parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  g_object_ref(dialog);
  return dialog;
}

// Packs the message into the dialog and returns the label's resulting width.
// The width is measured only once the label sits in the dialog, so that the
// dialog's style and screen decide the font.
int add_message(GtkWidget *dialog, const char *message, GtkWidget **label_out) {
  GtkWidget *hbox = gtk_hbox_new(FALSE, 20);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), hbox, FALSE, FALSE,
                     20);
  GtkWidget *label = gtk_label_new(valid_text(message).c_str());
  gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.5f);
  gtk_box_pack_start(GTK_BOX(hbox), label, TRUE, TRUE, 20);
  GtkRequisition natural;
  gtk_widget_size_request(label, &natural);
  int width = natural.width;
  if (width > QV_DIALOG_LABEL_MAX_WIDTH) {
    width = QV_DIALOG_LABEL_MAX_WIDTH;
    gtk_widget_set_size_request(label, width, -1);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    // A long word (a file name, say) must break too, or the limit would not hold.
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
  }
  *label_out = label;
  return width;
}

GtkWidget *add_entry(GtkWidget *dialog, const char *initial, int label_width) {
  GtkWidget *hbox = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), hbox, FALSE, FALSE,
                     0);
  GtkWidget *entry = gtk_entry_new();
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  if (label_width < QV_DIALOG_ENTRY_MIN_WIDTH)
    gtk_widget_set_size_request(entry, QV_DIALOG_ENTRY_MIN_WIDTH, -1);
  if (initial) gtk_entry_set_text(GTK_ENTRY(entry), valid_text(initial).c_str());
  gtk_box_pack_start(GTK_BOX(hbox), entry, TRUE, TRUE, 20);
  return entry;
}

QVMessageDialog build_message(GtkWindow *parent, const std::string &title, const char *message,
                              bool with_cancel) {
  QVMessageDialog d;
  d.dialog.reset(new_dialog(parent, title, with_cancel));
  add_message(d.dialog.get(), message, &d.label);
  return d;
}

gint run_dialog(const QVMessageDialog &d) {
  gtk_widget_show_all(d.dialog.get());
  return gtk_dialog_run(GTK_DIALOG(d.dialog.get()));
}

// A caller without a parent has set up no toolkit yet; with a parent, GTK is
// running already.
bool toolkit_ready(GtkWindow *parent) { return parent != nullptr || qv_dialog_toolkit_init(); }

}  // namespace

QVMessageDialog qv_dialog_alert_build(GtkWindow *parent, const char *title, const char *message) {
  return build_message(parent, title_or(title, _("Alert!")), message, false);
}

QVMessageDialog qv_dialog_confirm_build(GtkWindow *parent, const char *title, const char *message) {
  return build_message(parent, title_or(title, _("Please confirm!")), message, true);
}

QVMessageDialog qv_dialog_prompt_build(GtkWindow *parent, const char *title, const char *message,
                                       const char *initial) {
  QVMessageDialog d;
  d.dialog.reset(new_dialog(parent, title_or(title, _("Please enter!")), true));
  const int label_width = add_message(d.dialog.get(), message, &d.label);
  d.entry = add_entry(d.dialog.get(), initial, label_width);
  return d;
}

void qv_dialog_alert(GtkWindow *parent, const char *title, const char *message) {
  if (!toolkit_ready(parent)) {
    qv_user_message("%s", valid_text(message).c_str());
    return;
  }
  run_dialog(qv_dialog_alert_build(parent, title, message));
}

bool qv_dialog_confirm(GtkWindow *parent, const char *title, const char *message) {
  if (!toolkit_ready(parent)) return false;
  return run_dialog(qv_dialog_confirm_build(parent, title, message)) == GTK_RESPONSE_OK;
}

std::optional<std::string> qv_dialog_prompt(GtkWindow *parent, const char *title,
                                            const char *message, const char *initial) {
  if (!toolkit_ready(parent)) return std::nullopt;
  const QVMessageDialog d = qv_dialog_prompt_build(parent, title, message, initial);
  if (run_dialog(d) != GTK_RESPONSE_OK) return std::nullopt;
  return std::string(gtk_entry_get_text(GTK_ENTRY(d.entry)));
}
