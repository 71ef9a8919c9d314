// The Script-Fu bridge in a running GIMP: which evaluator runs the code, what
// the code sees bound, and that the nesting counter always comes back.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scheme_gimp.h"
#include "gimp/paths/qv_paths.h"
#include "live_support.h"

namespace {

const char *const kSeen = "qv-test-eval";

// Scheme code that leaves a GIMP-wide parasite saying which evaluator ran it
// (the generic one defines the names globally, the suite's binds them in a
// frame of their own), the counter it saw, and what it saw bound.
const char *const kReport =
    "(gimp-attach-parasite (list \"qv-test-eval\" 0 (string-append"
    " (if (defined? 'image (interaction-environment)) \"generic\" \"eval4\")"
    " \" \" (number->string (vector-ref (cadr (gimp-procedural-db-get-data "
    "\"qv_scheme_run_eval4_ref\")) 0))"
    " \" \" name \" \" (number->string (* av 2)) \" \" (number->string (- draw image)))))";

std::string seen() {
  GimpParasite *p = gimp_get_parasite(kSeen);
  if (!p) return "<none>";
  std::string out(static_cast<const char *>(gimp_parasite_data(p)), gimp_parasite_data_size(p));
  gimp_parasite_free(p);
  return out;
}

void set_version(guint8 first_byte) {
  gimp_procedural_db_set_data(QV_SCHEME_VERSION_KEY, &first_byte, 1);
}

class SchemeLive : public testing::Test {
 protected:
  void SetUp() override {
    gimp_detach_parasite(kSeen);
    set_version(0);
    qv_scheme_counter_set(0);
  }
  void TearDown() override {
    gimp_detach_parasite(kSeen);
    set_version(0);
    qv_scheme_counter_set(0);
  }
  // What the report says when run with av 0.25 and name "p q".
  std::string expected(const char *evaluator, int counter) const {
    return std::string(evaluator) + " " + std::to_string(counter) + " p q 0.5 " +
           std::to_string(image_.layer - image_.id);
  }
  bool run(const char *script) {
    return qv_scheme_run_eval4_ref(image_.id, image_.layer, "0.2500000000", "\"p q\"", script);
  }
  QVTestImage image_;
};

// A script may rename paths behind the suite's back; a memo of reads that
// outlived it would name a path that is gone.
TEST_F(SchemeLive, ReadsMadeBeforeAScriptAreMadeAgainAfterIt) {
  const QVReadCacheScope scope;
  qv_test_add_path(image_.id, "before", {0, 0, 5, 5});
  EXPECT_EQ(qv_path_names(image_.id), std::vector<std::string>{"before"});
  ASSERT_TRUE(
      run("(gimp-item-set-name (car (gimp-image-get-vectors-by-name image \"before\")) "
          "\"after\")"));
  EXPECT_EQ(qv_path_names(image_.id), std::vector<std::string>{"after"});
}

TEST_F(SchemeLive, AFirstEvaluationRunsTheSuitesEvaluatorAndLowersTheCounterAgain) {
  EXPECT_TRUE(run(kReport));
  EXPECT_EQ(seen(), expected("eval4", 1));
  EXPECT_EQ(qv_scheme_counter_get(), 0);
}

TEST_F(SchemeLive, ANestedEvaluationSwitchesToTheGenericEvaluatorWithTheSameBindings) {
  qv_scheme_counter_set(1);
  EXPECT_TRUE(run(kReport));
  EXPECT_EQ(seen(), expected("generic", 2));
  EXPECT_EQ(qv_scheme_counter_get(), 1);
}

TEST_F(SchemeLive, WithVersionMarkerOneNestedEvaluationsStayWithTheSuitesEvaluator) {
  set_version(1);
  for (int preset : {0, 1, 5}) {
    qv_scheme_counter_set(preset);
    gimp_detach_parasite(kSeen);
    EXPECT_TRUE(run(kReport));
    EXPECT_EQ(seen(), expected("eval4", preset)) << "counter " << preset;
    EXPECT_EQ(qv_scheme_counter_get(), preset);
  }
}

TEST_F(SchemeLive, FailingCodeIsReportedAndTheCounterStillComesBack) {
  for (int preset : {0, 1, 3}) {
    qv_scheme_counter_set(preset);
    EXPECT_FALSE(run("(car '())")) << "counter " << preset;
    EXPECT_EQ(qv_scheme_counter_get(), preset);
  }
  // In the suite's evaluator a syntax error stops the code there with a
  // message; the expressions before it have run.
  qv_scheme_counter_set(0);
  EXPECT_TRUE(
      run("(gimp-attach-parasite (list \"qv-test-eval\" 0 \"x\"))) (gimp-attach-parasite (list "
          "\"qv-test-eval\" 0 \"y\"))"));
  EXPECT_EQ(seen(), "x");
  EXPECT_EQ(qv_scheme_counter_get(), 0);
}

TEST_F(SchemeLive, CounterIgnoresDataOfAnotherSizeAndNeverGoesBelowZero) {
  const gint64 wide = 7;
  gimp_procedural_db_set_data(QV_SCHEME_COUNTER_KEY, &wide, sizeof wide);
  EXPECT_EQ(qv_scheme_counter_get(), 0);
  EXPECT_EQ(qv_scheme_counter_raise(), 1);
  qv_scheme_counter_lower();
  qv_scheme_counter_lower();
  EXPECT_EQ(qv_scheme_counter_get(), 0);
}

TEST_F(SchemeLive, ScriptFilesAreFoundRelativeToTheImageInBothEvaluators) {
  const char *tmp = std::getenv("QV_TEST_TMP");
  const std::string base = std::string(tmp ? tmp : g_get_tmp_dir()) + "/scheme-live";
  ASSERT_EQ(g_mkdir_with_parents((base + "/scripts").c_str(), 0700), 0);
  ASSERT_TRUE(g_file_set_contents((base + "/scripts/a.scm").c_str(), kReport, -1, nullptr));
  gimp_image_set_filename(image_.id, (base + "/img/x.xcf").c_str());

  EXPECT_TRUE(run("../scripts/a.scm"));
  EXPECT_EQ(seen(), expected("eval4", 1));
  gimp_detach_parasite(kSeen);
  EXPECT_TRUE(run("..\\scripts\\a.scm"));
  EXPECT_EQ(seen(), expected("eval4", 1));

  qv_scheme_counter_set(1);
  gimp_detach_parasite(kSeen);
  EXPECT_TRUE(run("../scripts/a.scm"));
  EXPECT_EQ(seen(), expected("generic", 2));
}

// The evaluator keeps the split of code it was handed, but a script named by
// its file is read again on every call: an edited file takes effect at once,
// whether the suite or a script names it.
TEST_F(SchemeLive, AnEditedScriptFileIsReadAgain) {
  const char *tmp = std::getenv("QV_TEST_TMP");
  const std::string file = std::string(tmp ? tmp : g_get_tmp_dir()) + "/scheme-edited.scm";
  const auto write = [&](const char *word) {
    const std::string code =
        std::string("(gimp-attach-parasite (list \"qv-test-eval\" 0 \"") + word + "\"))";
    ASSERT_TRUE(g_file_set_contents(file.c_str(), code.c_str(), -1, nullptr));
  };
  const auto run_by_script = [&] {
    gint n = 0;
    GimpParam *r = gimp_run_procedure(
        QV_SCHEME_EVAL4_PROC, &n, GIMP_PDB_INT32, GIMP_RUN_NONINTERACTIVE, GIMP_PDB_IMAGE,
        image_.id, GIMP_PDB_DRAWABLE, image_.layer, GIMP_PDB_STRING, "0", GIMP_PDB_STRING, "\"\"",
        GIMP_PDB_STRING, file.c_str(), GIMP_PDB_END);
    gimp_destroy_params(r, n);
  };
  for (const char *word : {"one", "two", "three"}) {
    write(word);
    EXPECT_TRUE(run(file.c_str()));
    EXPECT_EQ(seen(), word);
    gimp_detach_parasite(kSeen);
  }
  for (const char *word : {"four", "five"}) {
    write(word);
    run_by_script();
    EXPECT_EQ(seen(), word);
    gimp_detach_parasite(kSeen);
  }
  g_remove(file.c_str());
}

TEST_F(SchemeLive, TheMessageFunctionPutsTheUsersHandlerBack) {
  const GimpMessageHandlerType before = gimp_message_get_handler();
  gimp_message_set_handler(GIMP_MESSAGE_BOX);
  qv_message("qv scheme test message %d", 1);
  EXPECT_EQ(gimp_message_get_handler(), GIMP_MESSAGE_BOX);
  gimp_message_set_handler(before);
}

}  // namespace
