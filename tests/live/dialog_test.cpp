// Dialog geometry and message dialogs on real GTK windows inside GIMP, under
// Xvfb. Dialogs are answered from a timeout while gtk_dialog_run waits, as a
// user would click.
#include <gtest/gtest.h>
#include <libgimp/gimp.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/qv_dialog_geometry.h"
#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/ui/qv_dialogs.h"
#include "live_support.h"

namespace {

const char *const kKey = "qv-test-dialog-geometry";

void pump_events() {
  for (int i = 0; i < 50; ++i) {
    gdk_flush();
    while (gtk_events_pending()) gtk_main_iteration();
    g_usleep(2000);
  }
}

QVWidgetHolder hold(GtkWidget *w) {
  g_object_ref(w);
  return QVWidgetHolder(w);
}

bool parasite_listed(const char *name) {
  gint count = 0;
  gchar **list = gimp_get_parasite_list(&count);
  const auto names = qv_take_string_array(list, count);
  return std::find(names.begin(), names.end(), name) != names.end();
}

void attach_fields(const char *name, std::initializer_list<gint32> fields) {
  std::vector<gint32> data(fields);
  qv_parasite_ptr p(
      gimp_parasite_new(name, GIMP_PARASITE_PERSISTENT, data.size() * 4, data.data()));
  ASSERT_TRUE(gimp_attach_parasite(p.get()));
}

class DialogGeometryLive : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display"; }
  void TearDown() override {
    if (parasite_listed(kKey)) gimp_detach_parasite(kKey);
  }
};

// Sends a response to the visible dialog with the given title once it is up,
// optionally typing into its entry first.
struct Responder {
  std::string title;
  gint response = GTK_RESPONSE_OK;
  const char *type_text = nullptr;
  bool answered = false;
  int attempts = 0;
};

gboolean respond(gpointer data) {
  auto *r = static_cast<Responder *>(data);
  GtkWidget *dialog = qv_test_visible_dialog(r->title);
  if (!dialog) return ++r->attempts < 200;  // ten seconds, then let the test fail
  if (r->type_text)
    gtk_entry_set_text(GTK_ENTRY(qv_test_find_widget(dialog, GTK_TYPE_ENTRY)), r->type_text);
  r->answered = true;
  gtk_dialog_response(GTK_DIALOG(dialog), r->response);
  return FALSE;
}

// Answers one dialog; the timeout is removed if it never fired to the end.
struct ScheduledResponse {
  explicit ScheduledResponse(Responder &r) : id(g_timeout_add(50, respond, &r)), responder(r) {}
  ~ScheduledResponse() {
    if (!responder.answered && responder.attempts < 200) g_source_remove(id);
  }
  guint id;
  Responder &responder;
};

int requested_width(GtkWidget *label) {
  GtkRequisition r;
  gtk_widget_size_request(label, &r);
  return r.width;
}

// A message whose label is at least `pixels` wide on one line.
std::string message_of_width(int pixels) {
  std::string text = "Do you really want to overwrite";
  QVWidgetHolder probe = hold(gtk_label_new(""));
  for (;;) {
    gtk_label_set_text(GTK_LABEL(probe.get()), text.c_str());
    if (requested_width(probe.get()) >= pixels) return text;
    text += " the style sheet";
  }
}

}  // namespace

TEST_F(DialogGeometryLive, RestoreMovesAndSizesTheWindowAndTracksItsState) {
  attach_fields(kKey,
                {QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE | QV_GEOMETRY_EXTRA, 100, 120, 300, 200});
  QVWidgetHolder window = hold(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  int tracker = -1;
  EXPECT_EQ(qv_dialog_geometry_restore(GTK_WINDOW(window.get()), kKey, &tracker), 11);

  gint w = 0, h = 0;
  gtk_window_get_default_size(GTK_WINDOW(window.get()), &w, &h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 200);
  gtk_widget_show(window.get());
  pump_events();
  gint x = 0, y = 0;
  gtk_window_get_position(GTK_WINDOW(window.get()), &x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 120);

  GdkEvent *event = gdk_event_new(GDK_WINDOW_STATE);
  event->window_state.new_window_state = GDK_WINDOW_STATE_ICONIFIED;
  gboolean handled = FALSE;
  g_signal_emit_by_name(window.get(), "window-state-event", &event->window_state, &handled);
  gdk_event_free(event);
  EXPECT_EQ(tracker, QV_WINDOW_STATE_ICONIFIED);
}

TEST_F(DialogGeometryLive, ShortRecordWithNegativePositionPlacesAtTheOrigin) {
  attach_fields(kKey, {QV_GEOMETRY_POSITION, -50});
  QVWidgetHolder window = hold(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  EXPECT_EQ(qv_dialog_geometry_restore(GTK_WINDOW(window.get()), kKey, nullptr), 1);
  gtk_widget_show(window.get());
  pump_events();
  gint x = -1, y = -1;
  gtk_window_get_position(GTK_WINDOW(window.get()), &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

TEST_F(DialogGeometryLive, MissingRecordLeavesTheWindowAlone) {
  QVWidgetHolder window = hold(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  EXPECT_EQ(qv_dialog_geometry_restore(GTK_WINDOW(window.get()), kKey, nullptr), 0);
  gint w = 0, h = 0;
  gtk_window_get_default_size(GTK_WINDOW(window.get()), &w, &h);
  EXPECT_EQ(w, -1);
  EXPECT_EQ(h, -1);
  EXPECT_FALSE(qv_dialog_geometry_load(kKey));
  EXPECT_FALSE(parasite_listed(kKey)) << "restoring must not create a record";
}

TEST_F(DialogGeometryLive, SaveWritesAPersistentTwentyByteRecord) {
  QVWidgetHolder window = hold(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_move(GTK_WINDOW(window.get()), 40, 50);
  gtk_window_set_default_size(GTK_WINDOW(window.get()), 320, 240);
  gtk_widget_show(window.get());
  pump_events();

  const int request = QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE | QV_GEOMETRY_EXTRA;
  EXPECT_EQ(qv_dialog_geometry_save(GTK_WINDOW(window.get()), kKey, 0, request), 1);
  {
    qv_parasite_ptr p(gimp_get_parasite(kKey));
    ASSERT_TRUE(p);
    EXPECT_EQ(gimp_parasite_data_size(p.get()), 20);
    EXPECT_TRUE(gimp_parasite_is_persistent(p.get()));
    const auto r = qv_dialog_geometry_parse(gimp_parasite_data(p.get()), 20);
    EXPECT_EQ(r.flags, request);
    EXPECT_EQ(r.x, 40);
    EXPECT_EQ(r.y, 50);
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(r.height, 240);
  }

  // Maximized, then closed while iconified somewhere else: the maximized bit
  // comes and goes, the last normal placement stays.
  EXPECT_EQ(
      qv_dialog_geometry_save(GTK_WINDOW(window.get()), kKey, GDK_WINDOW_STATE_MAXIMIZED, request),
      0);
  EXPECT_EQ(qv_dialog_geometry_load(kKey)->flags, request | QV_GEOMETRY_MAXIMIZED);
  gtk_window_move(GTK_WINDOW(window.get()), 400, 300);
  pump_events();
  EXPECT_EQ(
      qv_dialog_geometry_save(GTK_WINDOW(window.get()), kKey, GDK_WINDOW_STATE_ICONIFIED, request),
      0);
  const auto r = qv_dialog_geometry_load(kKey);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->flags, request);
  EXPECT_EQ(r->x, 40);
  EXPECT_EQ(r->y, 50);
}

TEST(DialogLayout, LongMessageIsLimitedTo500PixelsAndWraps) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  const std::string long_text = message_of_width(800);
  QVMessageDialog confirm = qv_dialog_confirm_build(nullptr, nullptr, long_text.c_str());
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(confirm.dialog.get())), "Please confirm!");
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(confirm.dialog.get())));
  EXPECT_EQ(requested_width(confirm.label), QV_DIALOG_LABEL_MAX_WIDTH);
  EXPECT_TRUE(gtk_label_get_line_wrap(GTK_LABEL(confirm.label)));
  GtkWidget *ok =
      gtk_dialog_get_widget_for_response(GTK_DIALOG(confirm.dialog.get()), GTK_RESPONSE_OK);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(gtk_widget_has_default(ok));
  EXPECT_TRUE(
      gtk_dialog_get_widget_for_response(GTK_DIALOG(confirm.dialog.get()), GTK_RESPONSE_CANCEL));

  // A single 800-pixel word breaks as well.
  std::string word(long_text.size(), 'W');
  QVMessageDialog alert = qv_dialog_alert_build(nullptr, "Mine", word.c_str());
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(alert.dialog.get())), "Mine");
  EXPECT_EQ(requested_width(alert.label), QV_DIALOG_LABEL_MAX_WIDTH);
  EXPECT_FALSE(
      gtk_dialog_get_widget_for_response(GTK_DIALOG(alert.dialog.get()), GTK_RESPONSE_CANCEL));

  QVMessageDialog short_one = qv_dialog_confirm_build(nullptr, nullptr, "Save?");
  EXPECT_LT(requested_width(short_one.label), QV_DIALOG_LABEL_MAX_WIDTH);
  EXPECT_FALSE(gtk_label_get_line_wrap(GTK_LABEL(short_one.label)));
}

TEST(DialogLayout, PromptEntryIsWideEnoughAndActivatesTheDefault) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  QVMessageDialog narrow = qv_dialog_prompt_build(nullptr, nullptr, "Name:", "frame_001.png");
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(narrow.dialog.get())), "Please enter!");
  ASSERT_TRUE(narrow.entry);
  EXPECT_EQ(requested_width(narrow.entry), QV_DIALOG_ENTRY_MIN_WIDTH);
  EXPECT_TRUE(gtk_entry_get_activates_default(GTK_ENTRY(narrow.entry)));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(narrow.entry)), "frame_001.png");

  // A label at least as wide as the minimum leaves the entry to the layout.
  const std::string wide_text = message_of_width(QV_DIALOG_ENTRY_MIN_WIDTH + 20);
  QVMessageDialog wide = qv_dialog_prompt_build(nullptr, "T", wide_text.c_str(), nullptr);
  gint w = 0, h = 0;
  gtk_widget_get_size_request(wide.entry, &w, &h);
  EXPECT_EQ(w, -1);
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(wide.entry)), "");
}

TEST(DialogRun, ConfirmAnswersOkOnlyForOk) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  const char *title = "QV test confirm";
  for (gint response : {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL, GTK_RESPONSE_DELETE_EVENT}) {
    Responder r{title, response};
    ScheduledResponse scheduled(r);
    EXPECT_EQ(qv_dialog_confirm(nullptr, title, "Overwrite?"), response == GTK_RESPONSE_OK)
        << "response " << response;
    EXPECT_TRUE(r.answered);
  }

  // With a parent window, modal on top of it.
  QVWidgetHolder parent = hold(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_widget_show(parent.get());
  Responder r{title, GTK_RESPONSE_OK};
  ScheduledResponse scheduled(r);
  EXPECT_TRUE(qv_dialog_confirm(GTK_WINDOW(parent.get()), title, "Overwrite?"));
  EXPECT_FALSE(qv_test_visible_dialog(title)) << "dialog left open";
}

TEST(DialogRun, PromptReturnsTheEnteredTextOnlyOnOk) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  const char *title = "QV test prompt";
  {
    Responder r{title, GTK_RESPONSE_OK, "frame_\xC3\xA4_%03d.png"};
    ScheduledResponse scheduled(r);
    EXPECT_EQ(qv_dialog_prompt(nullptr, title, "File:", "old.png"),
              std::string("frame_\xC3\xA4_%03d.png"));
  }
  {
    Responder r{title, GTK_RESPONSE_OK};
    ScheduledResponse scheduled(r);
    EXPECT_EQ(qv_dialog_prompt(nullptr, title, "File:", "old.png"), std::string("old.png"));
  }
  {
    Responder r{title, GTK_RESPONSE_CANCEL, "ignored"};
    ScheduledResponse scheduled(r);
    EXPECT_FALSE(qv_dialog_prompt(nullptr, title, "File:", "old.png"));
    EXPECT_TRUE(r.answered);
  }
}

TEST(DialogRun, AlertClosesOnOk) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  Responder r{"Alert!", GTK_RESPONSE_OK};
  ScheduledResponse scheduled(r);
  qv_dialog_alert(nullptr, nullptr, "No Path available!");
  EXPECT_TRUE(r.answered);
  EXPECT_FALSE(qv_test_visible_dialog("Alert!"));
}

// Runs only without a display (the dialogs must degrade, not abort GIMP's
// plug-in); under Xvfb it is skipped.
TEST(DialogHeadless, DialogsDegradeWithoutADisplay) {
  if (qv_display_available()) GTEST_SKIP() << "a display is available";
  qv_dialog_alert(nullptr, nullptr, "headless alert");
  EXPECT_FALSE(qv_dialog_confirm(nullptr, nullptr, "headless confirm"));
  EXPECT_FALSE(qv_dialog_prompt(nullptr, nullptr, "headless prompt", "x"));
  EXPECT_FALSE(qv_dialog_toolkit_init());
}
