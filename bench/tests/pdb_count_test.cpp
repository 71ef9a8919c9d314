// The PDB call counter loaded into a process that talks GIMP's wire
// protocol: it must see calls made from another library, count them by
// name, pass them on, and add its lines to the report file without
// clobbering other processes' lines.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"

namespace {

struct QVCountLine {
  std::string executable;
  long pid = 0;
  std::string procedure;
  long count = 0;
};

class PdbCount : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = qv_take_string(g_dir_make_tmp("qv-pdb-count-XXXXXX", nullptr));
    ASSERT_FALSE(folder.empty());
    report = folder + "/counts.txt";
  }
  void TearDown() override {
    g_remove(report.c_str());
    g_rmdir(folder.c_str());
  }

  // Runs the probe with the counter preloaded; its exit status.
  int run_probe(const std::vector<std::string> &procedures, bool with_report) {
    qv_gstrv environment(g_get_environ());
    environment.reset(
        g_environ_setenv(environment.release(), "LD_PRELOAD", QV_PDB_COUNT_LIBRARY, TRUE));
    if (with_report)
      environment.reset(
          g_environ_setenv(environment.release(), "QV_PDB_COUNT_FILE", report.c_str(), TRUE));
    else
      environment.reset(g_environ_unsetenv(environment.release(), "QV_PDB_COUNT_FILE"));
    std::vector<gchar *> argv{const_cast<gchar *>(QV_PDB_COUNT_PROBE)};
    for (const std::string &name : procedures) argv.push_back(const_cast<gchar *>(name.c_str()));
    argv.push_back(nullptr);
    gint status = -1;
    EXPECT_TRUE(g_spawn_sync(nullptr, argv.data(), environment.get(), G_SPAWN_DEFAULT, nullptr,
                             nullptr, nullptr, nullptr, &status, nullptr));
    return g_spawn_check_wait_status(status, nullptr) ? 0 : 1;
  }

  std::vector<QVCountLine> read_report() const {
    gchar *text = nullptr;
    std::vector<QVCountLine> lines;
    if (!g_file_get_contents(report.c_str(), &text, nullptr, nullptr)) return lines;
    std::istringstream in(qv_take_string(text));
    QVCountLine line;
    while (in >> line.executable >> line.pid >> line.procedure >> line.count) lines.push_back(line);
    return lines;
  }

  std::string folder, report;
};

std::map<std::string, long> counts_of(const std::vector<QVCountLine> &lines) {
  std::map<std::string, long> counts;
  for (const QVCountLine &line : lines) counts[line.procedure] += line.count;
  return counts;
}

TEST_F(PdbCount, CountsEachProcedureByNameAndPassesTheCallsOn) {
  ASSERT_EQ(0, run_probe({"gimp-item-get-name", "gimp-image-flatten", "gimp-item-get-name",
                          "gimp-item-get-name"},
                         true));
  const auto lines = read_report();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("pdb_count_probe", lines[0].executable);
  EXPECT_GT(lines[0].pid, 0);
  EXPECT_EQ(lines[0].pid, lines[1].pid);
  const std::map<std::string, long> expected{{"gimp-item-get-name", 3}, {"gimp-image-flatten", 1}};
  EXPECT_EQ(expected, counts_of(lines));
}

TEST_F(PdbCount, WritesNothingWithoutAReportFile) {
  ASSERT_EQ(0, run_probe({"gimp-item-get-name"}, false));
  EXPECT_FALSE(g_file_test(report.c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(PdbCount, ProcessesAddTheirLinesToTheSameFile) {
  ASSERT_EQ(0, run_probe({"gimp-image-duplicate"}, true));
  ASSERT_EQ(0, run_probe({"gimp-image-duplicate", "gimp-image-delete"}, true));
  const auto lines = read_report();
  ASSERT_EQ(3u, lines.size());
  EXPECT_NE(lines.front().pid, lines.back().pid);
  EXPECT_EQ(2, counts_of(lines)["gimp-image-duplicate"]);
}

TEST_F(PdbCount, AProcessWithoutCallsAddsNoLines) {
  ASSERT_EQ(0, run_probe({}, true));
  EXPECT_TRUE(read_report().empty());
}

}  // namespace
