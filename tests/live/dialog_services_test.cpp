// The dialog services as the dialog plug-in runs them, under Xvfb: each
// dialog is answered from a timeout while it waits, as a user would click.
#include <gtest/gtest.h>

#include <libgimp/gimp.h>

#include <string>
#include <utility>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/services/qv_dialog_services.h"
#include "gimp/ui/qv_dialogs.h"
#include "live_support.h"

namespace {

struct Answer {
  Answer(const char *t, gint r, const char *text = nullptr) : title(t), response(r), typed(text) {}
  const char *title;
  gint response;
  const char *typed;       // put into the entry before answering
  std::string seen_entry;  // the entry's text when the dialog came up
  std::string seen_message;
  bool answered = false;
  int attempts = 0;
};

gboolean answer(gpointer data) {
  auto *a = static_cast<Answer *>(data);
  GtkWidget *dialog = qv_test_visible_dialog(a->title);
  if (!dialog) return ++a->attempts < 200;  // ten seconds, then the test fails
  if (GtkWidget *label = qv_test_find_widget(dialog, GTK_TYPE_LABEL))
    a->seen_message = gtk_label_get_text(GTK_LABEL(label));
  if (GtkWidget *entry = qv_test_find_widget(dialog, GTK_TYPE_ENTRY)) {
    a->seen_entry = gtk_entry_get_text(GTK_ENTRY(entry));
    if (a->typed) gtk_entry_set_text(GTK_ENTRY(entry), a->typed);
  }
  a->answered = true;
  gtk_dialog_response(GTK_DIALOG(dialog), a->response);
  return FALSE;
}

// Answers the next dialog with that title; the timeout goes with the scope
// when it never got to answer.
struct Answering {
  explicit Answering(Answer &a) : answer_(a), id_(g_timeout_add(50, answer, &a)) {}
  ~Answering() {
    if (!answer_.answered && answer_.attempts < 200) g_source_remove(id_);
  }
  Answer &answer_;
  guint id_;
};

class DialogServiceLive : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(qv_display_available()) << "no display"; }
};

TEST_F(DialogServiceLive, PromptStartsWithTheEntryAndReturnsTheTextOnlyOnOk) {
  {
    Answer a{"Please enter!", GTK_RESPONSE_OK, "typed \xC3\xA4"};
    Answering answering(a);
    EXPECT_EQ(qv_prompt_service("File name:", "frame_001.png"), std::string("typed \xC3\xA4"));
    EXPECT_EQ(a.seen_entry, "frame_001.png");
    EXPECT_EQ(a.seen_message, "File name:");
  }
  {
    // An empty entry starts empty, and OK on it is an empty text, not none.
    Answer a{"Please enter!", GTK_RESPONSE_OK};
    Answering answering(a);
    EXPECT_EQ(qv_prompt_service("Name:", ""), std::string());
    EXPECT_TRUE(a.answered);
    EXPECT_EQ(a.seen_entry, "");
  }
  for (gint response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_DELETE_EVENT}) {
    Answer a{"Please enter!", response, "ignored"};
    Answering answering(a);
    EXPECT_FALSE(qv_prompt_service("Name:", "x")) << "response " << response;
    EXPECT_TRUE(a.answered);
  }
}

TEST_F(DialogServiceLive, ConfirmAnswersOneForOkAndZeroOtherwise) {
  for (gint response : {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL, GTK_RESPONSE_DELETE_EVENT}) {
    Answer a{"Please confirm!", response};
    Answering answering(a);
    EXPECT_EQ(qv_confirm_service("Overwrite?"), response == GTK_RESPONSE_OK ? 1 : 0)
        << "response " << response;
    EXPECT_EQ(a.seen_message, "Overwrite?");
  }
}

TEST_F(DialogServiceLive, AlertWaitsForOkAndCloses) {
  Answer a{"Alert!", GTK_RESPONSE_OK};
  Answering answering(a);
  qv_alert_service("No Path available!");
  EXPECT_TRUE(a.answered);
  EXPECT_EQ(a.seen_message, "No Path available!");
  EXPECT_FALSE(qv_test_visible_dialog("Alert!")) << "dialog left open";
}

// The lines of the procedure's block in the profile's pluginrc, trimmed,
// after its "(proc-def" line: blurb, help, author, copyright, date, label,
// number of menu paths, ...
std::vector<std::string> pluginrc_block(const std::string &procedure) {
  const std::string file = std::string(gimp_directory()) + "/pluginrc";
  gchar *text = nullptr;
  if (!g_file_get_contents(file.c_str(), &text, nullptr, nullptr)) return {};
  const std::string content = qv_take_string(text);
  const std::size_t head = content.find("(proc-def \"" + procedure + "\" 1\n");
  if (head == std::string::npos) return {};
  std::vector<std::string> lines;
  std::size_t start = content.find('\n', head) + 1;
  for (int i = 0; i < 8 && start < content.size(); ++i) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    qv_gstring line(g_strndup(content.c_str() + start, end - start));
    lines.emplace_back(g_strstrip(line.get()));
    start = end + 1;
  }
  return lines;
}

TEST(DialogServiceLiveRegistration, MenuLabelsWithoutAMenuLocation) {
  for (const auto &[procedure, label] :
       {std::pair<std::string, std::string>{"plug_in_qv_prompt", "prompt"},
        {"plug_in_qv_confirm", "confirm"},
        {"plug_in_qv_alert", "plugin_alert"}}) {
    const auto block = pluginrc_block(procedure);
    ASSERT_EQ(block.size(), 8u) << procedure << " not in pluginrc";
    EXPECT_EQ(block[5], "\"" + label + "\"") << procedure;
    EXPECT_EQ(block[6], "0") << procedure << ": no menu path";
  }
}

}  // namespace
