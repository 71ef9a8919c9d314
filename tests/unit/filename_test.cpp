#include "core/qv_filename.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/qv_glib_ptr.h"

namespace {

const char *const kUmlautUtf8 = "Bild_\xC3\xA4.png";  // "Bild_ä.png"
const char *const kUmlautLatin1 = "Bild_\xE4.png";

// Each case sets G_FILENAME_ENCODING as it needs; the process's own value is
// put back afterwards.
class FileNameTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const char *v = g_getenv("G_FILENAME_ENCODING")) saved_ = v;
    g_unsetenv("G_FILENAME_ENCODING");
  }
  void TearDown() override {
    if (saved_)
      g_setenv("G_FILENAME_ENCODING", saved_->c_str(), TRUE);
    else
      g_unsetenv("G_FILENAME_ENCODING");
  }
  static void use_encoding(const char *charset) { g_setenv("G_FILENAME_ENCODING", charset, TRUE); }

 private:
  std::optional<std::string> saved_;
};

// A scratch folder removed with everything in it.
struct TempDir {
  TempDir() : path(qv_take_string(g_dir_make_tmp("qv-filename-XXXXXX", nullptr))) {}
  ~TempDir() {
    if (GDir *dir = g_dir_open(path.c_str(), 0, nullptr)) {
      while (const char *entry = g_dir_read_name(dir)) g_remove((path + "/" + entry).c_str());
      g_dir_close(dir);
    }
    g_rmdir(path.c_str());
  }
  int count() const {
    int n = 0;
    if (GDir *dir = g_dir_open(path.c_str(), 0, nullptr)) {
      while (g_dir_read_name(dir)) ++n;
      g_dir_close(dir);
    }
    return n;
  }
  std::string path;
};

}  // namespace

TEST_F(FileNameTest, ConfiguredEncodingRoundTripsAnUmlaut) {
  use_encoding("ISO-8859-1");
  EXPECT_EQ(qv_filename_from_utf8(kUmlautUtf8), std::string(kUmlautLatin1));
  EXPECT_EQ(qv_filename_to_utf8(kUmlautLatin1), std::string(kUmlautUtf8));
}

TEST_F(FileNameTest, EncodingListUsesItsFirstEntry) {
  use_encoding(" ISO-8859-1 ,UTF-8");
  EXPECT_EQ(qv_filename_charset(), "ISO-8859-1");
  EXPECT_EQ(qv_filename_from_utf8(kUmlautUtf8), std::string(kUmlautLatin1));

  const char *locale_charset = nullptr;
  g_get_charset(&locale_charset);
  use_encoding("@locale,UTF-8");
  EXPECT_EQ(qv_filename_charset(), locale_charset);
  use_encoding("");
  EXPECT_EQ(qv_filename_charset(), locale_charset);
}

TEST_F(FileNameTest, UnsetEncodingConvertsThroughTheLocale) {
  EXPECT_EQ(qv_filename_from_utf8("/tmp/frame_007.png"), std::string("/tmp/frame_007.png"));
  EXPECT_EQ(qv_filename_to_utf8("/tmp/frame_007.png"), std::string("/tmp/frame_007.png"));
}

TEST_F(FileNameTest, MissingOrEmptyNameGivesNone) {
  use_encoding("ISO-8859-1");
  EXPECT_FALSE(qv_filename_from_utf8(nullptr));
  EXPECT_FALSE(qv_filename_from_utf8(""));
  EXPECT_FALSE(qv_filename_to_utf8(nullptr));
  EXPECT_FALSE(qv_filename_to_utf8(""));
}

TEST_F(FileNameTest, InvalidUtf8IsTakenAsAlreadyConverted) {
  use_encoding("ISO-8859-1");
  // Converting Latin-1 bytes "from UTF-8" again would fail or garble them.
  EXPECT_EQ(qv_filename_from_utf8(kUmlautLatin1), std::string(kUmlautLatin1));
  g_unsetenv("G_FILENAME_ENCODING");
  EXPECT_EQ(qv_filename_from_utf8("\xFF\xFEname"), std::string("\xFF\xFEname"));
}

TEST_F(FileNameTest, UnconvertibleTextGivesNone) {
  use_encoding("ISO-8859-1");
  EXPECT_FALSE(qv_filename_from_utf8("price_\xE2\x82\xAC.txt"));  // the euro sign
  use_encoding("UTF-8");
  EXPECT_FALSE(qv_filename_to_utf8("bad_\xFF.txt"));
  use_encoding("NO-SUCH-CHARSET-QV");
  EXPECT_FALSE(qv_filename_from_utf8("plain.txt"));
  EXPECT_FALSE(qv_filename_to_utf8("plain.txt"));
}

TEST_F(FileNameTest, OpenWritesUnderTheConvertedName) {
  use_encoding("ISO-8859-1");
  TempDir dir;
  const std::string utf8 = dir.path + "/" + kUmlautUtf8;
  {
    QVFile f = qv_fopen_utf8(utf8.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("frame", f.get());
  }
  EXPECT_TRUE(g_file_test((dir.path + "/" + kUmlautLatin1).c_str(), G_FILE_TEST_IS_REGULAR));

  QVFile again = qv_fopen_utf8(utf8.c_str(), "r");
  ASSERT_TRUE(again);
  char buffer[16] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer - 1, again.get()), 5u);
  EXPECT_STREQ(buffer, "frame");
}

TEST_F(FileNameTest, OpenRefusesWhatCannotNameAFile) {
  TempDir dir;
  EXPECT_FALSE(qv_fopen_utf8(nullptr, "r"));
  EXPECT_FALSE(qv_fopen_utf8("", "r"));
  EXPECT_FALSE(qv_fopen_utf8((dir.path + "/x.txt").c_str(), nullptr));
  EXPECT_FALSE(qv_fopen_utf8((dir.path + "/missing.txt").c_str(), "r"));
  // A wide charset puts NULs into the name: opening it cut short would
  // create the file "x" instead.
  const std::string cwd = qv_take_string(g_get_current_dir());
  ASSERT_EQ(g_chdir(dir.path.c_str()), 0);
  use_encoding("UTF-16LE");
  EXPECT_FALSE(qv_fopen_utf8("x.txt", "w"));
  g_unsetenv("G_FILENAME_ENCODING");
  ASSERT_EQ(g_chdir(cwd.c_str()), 0);
  EXPECT_EQ(dir.count(), 0);
}

TEST(FileNameResolve, RelativeNamesFollowTheBaseFileEitherSeparator) {
  const qv_gstring here(g_get_current_dir());
  const std::string cwd = here.get();
  const struct {
    const char *name;
    std::optional<std::string> base;
    std::string expected;
  } cases[] = {
      {"pic.png", "/art/scene.xcf", "/art/pic.png"},
      {"sub\\pic.png", "/art/scene.xcf", "/art/sub/pic.png"},
      {"..\\other/pic.png", "/art/work/scene.xcf", "/art/other/pic.png"},
      {"./pic.png", "/art/scene.xcf", "/art/pic.png"},
      {"/abs/pic.png", "/art/scene.xcf", "/abs/pic.png"},
      {"\\abs\\pic.png", "/art/scene.xcf", "/abs/pic.png"},
      {"/a//b/../pic.png", std::nullopt, "/a/pic.png"},
      {"pic.png", std::nullopt, cwd + "/pic.png"},
      {"pic.png", std::string("scene.xcf"), cwd + "/pic.png"},  // a base without a folder
  };
  for (const auto &c : cases) EXPECT_EQ(c.expected, qv_filename_resolve(c.name, c.base)) << c.name;
}

// A relative name must resolve back to the file it was made from.
TEST(FileNameRelative, NamesRelativeToTheImageResolveBack) {
  const struct {
    const char *target;
    std::optional<std::string> base;
    std::optional<std::string> expected;
  } cases[] = {
      {"/art/pic.png", "/art/scene.xcf", "./pic.png"},
      {"/art/sub/pic.png", "/art/scene.xcf", "./sub/pic.png"},
      {"/art/other/pic.png", "/art/work/scene.xcf", "../other/pic.png"},
      {"/pic.png", "/art/work/scene.xcf", "../../pic.png"},
      {"/art/work2/pic.png", "/art/work/scene.xcf", "../work2/pic.png"},  // not a shared prefix
      {"/art/./x/../pic.png", "/art/scene.xcf", "./pic.png"},
      {"/art/pic.png", std::nullopt, std::nullopt},
      {"pic.png", "/art/scene.xcf", std::nullopt},
      {"/art/pic.png", std::string("scene.xcf"), std::nullopt},
  };
  for (const auto &c : cases) {
    const auto relative = qv_filename_relative(c.target, c.base);
    EXPECT_EQ(relative, c.expected) << c.target;
    if (relative) {
      EXPECT_EQ(qv_filename_resolve(*relative, c.base), qv_filename_resolve(c.target, {}));
    }
  }
}
