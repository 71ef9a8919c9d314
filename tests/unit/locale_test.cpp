// Where the programs find their catalogues: beside themselves in the layouts
// the install and the build produce, through links, and not elsewhere.
#include <gtest/gtest.h>

#include <glib.h>

#include <filesystem>
#include <fstream>

#include "core/qv_locale.h"

namespace fs = std::filesystem;

namespace {

struct LocaleTree : ::testing::Test {
  fs::path root = fs::temp_directory_path() / ("qv-locale-" + std::to_string(::getpid()));
  void SetUp() override {
    fs::remove_all(root);
    g_unsetenv("QV_LOCALEDIR");
  }
  void TearDown() override { fs::remove_all(root); }
  // Makes the file (and its folders) below root; returns its path.
  std::string file(const std::string &relative) {
    const fs::path path = root / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
    return path.string();
  }
  std::string at(const std::string &relative) { return (root / relative).string(); }
};

TEST_F(LocaleTree, EachLayoutFindsTheCataloguesBesideItsProgram) {
  struct Case {
    const char *program;
    const char *catalogue;
    const char *expected;  // "" for the fallback
  } cases[] = {
      // An installed plug-in in a GIMP profile.
      {"profile/plug-ins/qv-path-draw/qv-path-draw",
       "profile/locale/de/LC_MESSAGES/qv-path-suite.mo", "profile/locale"},
      // frameRunner installed in PREFIX/bin.
      {"prefix/bin/frameRunner", "prefix/share/locale/de/LC_MESSAGES/qv-path-suite.mo",
       "prefix/share/locale"},
      // The build's programs, three folders deep at most.
      {"build/tools/frameRunner/frameRunner", "build/locale/de/LC_MESSAGES/qv-path-suite.mo",
       "build/locale"},
      // Another domain's catalogues are not ours.
      {"prefix/bin/frameRunner", "prefix/share/locale/de/LC_MESSAGES/gimp20.mo", ""},
      // Four folders up is too far to be the program's own.
      {"a/b/c/d/program", "locale/de/LC_MESSAGES/qv-path-suite.mo", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.program);
    fs::remove_all(root);
    const std::string program = file(c.program);
    file(c.catalogue);
    EXPECT_EQ(qv_locale_dir(program, QV_TEXT_DOMAIN, "fallback"),
              *c.expected ? at(c.expected) : "fallback");
  }
}

TEST_F(LocaleTree, ALinkedPluginUsesTheCataloguesOfTheBuildItLinksTo) {
  const std::string real = file("build/plugins/qv-path-draw/qv-path-draw");
  file("build/locale/de/LC_MESSAGES/qv-path-suite.mo");
  fs::create_directories(root / "profile/plug-ins/qv-path-draw");
  const fs::path link = root / "profile/plug-ins/qv-path-draw/qv-path-draw";
  fs::create_symlink(real, link);
  EXPECT_EQ(qv_locale_dir(link.string(), QV_TEXT_DOMAIN, "fallback"), at("build/locale"));
}

TEST_F(LocaleTree, TheEnvironmentOverridesAndAnUnknownProgramFallsBack) {
  EXPECT_EQ(qv_locale_dir("", QV_TEXT_DOMAIN, "fallback"), "fallback");
  g_setenv("QV_LOCALEDIR", "/chosen/locale", TRUE);
  EXPECT_EQ(qv_locale_dir(file("prefix/bin/frameRunner"), QV_TEXT_DOMAIN, "fallback"),
            "/chosen/locale");
  g_unsetenv("QV_LOCALEDIR");
}

TEST(LocaleText, FormatsWithPositionalArguments) {
  EXPECT_EQ(qv_text("%2$s before %1$s", "one", "two"), "two before one");
  EXPECT_EQ(qv_text("%ld frames", 12L), "12 frames");
}

}  // namespace
