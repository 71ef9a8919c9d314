// qv-selftest: a GIMP plug-in that runs the live GoogleTest cases inside a
// headless GIMP. Every finished test writes its own result file into the
// folder the caller names, and "done" is written last, so that the wrapper
// script can tell a crash or hang from a clean run.
#include <gtest/gtest.h>
#include <libgimp/gimp.h>

#include <cstdio>
#include <string>

namespace {

const char *const kProcedure = "plug-in-qv-selftest";

void write_file(const std::string &path, const std::string &text) {
  if (FILE *f = std::fopen(path.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

class ResultFileWriter : public testing::EmptyTestEventListener {
 public:
  explicit ResultFileWriter(std::string dir) : dir_(std::move(dir)) {}

  void OnTestPartResult(const testing::TestPartResult &r) override {
    if (r.failed()) {
      messages_ += std::string(r.file_name() ? r.file_name() : "?") + ":" +
                   std::to_string(r.line_number()) + ": " + r.summary() + "\n";
    }
  }
  void OnTestStart(const testing::TestInfo &) override { messages_.clear(); }
  void OnTestEnd(const testing::TestInfo &info) override {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", ++count_);
    const bool ok = info.result()->Passed() || info.result()->Skipped();
    write_file(dir_ + "/" + number + (ok ? ".pass" : ".fail"),
               std::string(info.test_suite_name()) + "." + info.name() + "\n" + messages_);
  }

 private:
  std::string dir_;
  std::string messages_;
  int count_ = 0;
};

void query() {
  static const GimpParamDef args[] = {
      {GIMP_PDB_INT32, (gchar *)"run-mode", (gchar *)"Run mode"},
      {GIMP_PDB_STRING, (gchar *)"filter", (gchar *)"GoogleTest filter"},
      {GIMP_PDB_STRING, (gchar *)"results", (gchar *)"Folder for the result files"},
  };
  gimp_install_procedure(kProcedure, "Runs the suite's live tests", "Test support only.", "qv",
                         "qv", "2026", nullptr, "", GIMP_PLUGIN, G_N_ELEMENTS(args), 0, args,
                         nullptr);
}

void run(const gchar *name, gint nparams, const GimpParam *param, gint *nreturn_vals,
         GimpParam **return_vals) {
  static GimpParam values[1];
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_SUCCESS;
  *nreturn_vals = 1;
  *return_vals = values;
  if (nparams != 3) {
    values[0].data.d_status = GIMP_PDB_CALLING_ERROR;
    return;
  }
  const std::string filter = std::string("--gtest_filter=") + param[1].data.d_string;
  const std::string dir = param[2].data.d_string;

  std::string prog = "qv-selftest";
  std::string color = "--gtest_color=no";
  std::string filter_arg = filter;
  char *argv[] = {prog.data(), filter_arg.data(), color.data(), nullptr};
  int argc = 3;
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ResultFileWriter(dir));
  const int failures = RUN_ALL_TESTS();
  write_file(dir + "/done", failures ? "failures\n" : "ok\n");
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
