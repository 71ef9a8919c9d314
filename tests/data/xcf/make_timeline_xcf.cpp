// Writes a minimal XCF (version 0, no layers) whose only image property is a
// parasite list holding the three timeline parasites, for GIMP to load and
// save again as test fixtures (make-fixtures.sh). Script-Fu cannot attach
// binary parasite data, so the timelines have to come in through a file.
//
//   make_timeline_xcf OUT.xcf [zlib]
//
// With "zlib" the file is version 11 and marks its tiles zlib-compressed;
// GIMP keeps that choice for the image and saves it the same way.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put_u32(Bytes &out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
void put_f64(Bytes &out, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(bits >> shift));
}
void put_text(Bytes &out, const std::string &text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}
void put_code(Bytes &out, const char *code) { out.insert(out.end(), code, code + 4); }

// One timeline: header, one empty-ish entry, end chunk. Big-endian.
void put_timeline(Bytes &out, const std::string &name, double fps, double in, double out_point,
                  int32_t out_mode, double end, const std::string &frame_name) {
  const uint32_t frame_len = frame_name.empty() ? 0 : frame_name.size() + 1;
  const uint32_t name_len = name.size() + 1;
  put_u32(out, 96 + frame_len + name_len);
  put_code(out, "AHDR");
  put_u32(out, 2);  // next id
  put_u32(out, 1);
  put_u32(out, 0);  // progressive
  put_u32(out, 1);  // flatten
  put_f64(out, fps);
  put_f64(out, in);
  put_f64(out, out_point);
  put_u32(out, static_cast<uint32_t>(out_mode));
  put_u32(out, 61);
  put_f64(out, end);
  put_f64(out, 0.0);
  put_f64(out, 0.0);
  put_f64(out, 0.02);
  put_u32(out, 0);
  put_u32(out, frame_len);
  put_u32(out, 0);
  put_u32(out, name_len);
  if (frame_len) put_text(out, frame_name);
  put_text(out, name);

  const std::string script = "(gimp-message \"x\")";
  put_u32(out, 136 + script.size() + 1);
  put_code(out, "ANIM");
  put_u32(out, 1);
  for (int i = 0; i < 5; ++i) put_u32(out, 0);
  for (int i = 0; i < 11; ++i) put_f64(out, i == 8 ? 0.0 : (i == 9 ? 2.0 : 0.0));
  // the loop above wrote 32..119; members follow
  for (int i = 0; i < 6; ++i) put_u32(out, i == 4 ? script.size() + 1 : 0);
  put_text(out, script);

  put_u32(out, 0);
  put_code(out, "AEND");
}

void put_parasite(Bytes &out, const std::string &name, const Bytes &data) {
  put_u32(out, name.size() + 1);
  put_text(out, name);
  put_u32(out, 1);  // persistent
  put_u32(out, data.size());
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

int main(int argc, char **argv) {
  const bool zlib = argc == 3 && std::string(argv[2]) == "zlib";
  if (argc != 2 && !zlib) {
    std::fprintf(stderr, "usage: %s OUT.xcf [zlib]\n", argv[0]);
    return 2;
  }
  Bytes current, recent, rest;
  put_timeline(current, "Intro", 25.0, 0.0, 10.0, 1, 12.0, "/tmp/frames/intro_0000.png");
  put_timeline(recent, "Titles", 25.0, 2.0, 4.0, 0, 8.0, "");
  put_timeline(recent, "Credits", 30.0, 0.0, 0.0, 2, 3.5, "");
  put_timeline(rest, "Long", 25.0, 0.0, 10.0, 1, 10.0, "");

  Bytes parasites;
  put_parasite(parasites, "qv-timeline-current-be", current);
  put_parasite(parasites, "qv-timeline-recent-be", recent);
  put_parasite(parasites, "qv-timeline-rest-be", rest);

  Bytes xcf;
  const char *magic = zlib ? "gimp xcf v011" : "gimp xcf file";
  xcf.insert(xcf.end(), magic, magic + 14);  // with the NUL
  put_u32(xcf, 8);  // width
  put_u32(xcf, 8);  // height
  put_u32(xcf, 0);  // RGB
  if (zlib) {
    put_u32(xcf, 150);  // 8-bit non-linear precision
    put_u32(xcf, 17);   // compression property
    put_u32(xcf, 1);
    xcf.push_back(2);   // zlib
  }
  put_u32(xcf, 21);
  put_u32(xcf, parasites.size());
  xcf.insert(xcf.end(), parasites.begin(), parasites.end());
  put_u32(xcf, 0);
  put_u32(xcf, 0);
  const int pointer_words = zlib ? 2 : 1;  // version 11 offsets are 64-bit
  for (int i = 0; i < 2 * pointer_words; ++i) put_u32(xcf, 0);  // no layers, no channels

  std::FILE *file = std::fopen(argv[1], "wb");
  if (!file || std::fwrite(xcf.data(), 1, xcf.size(), file) != xcf.size() || std::fclose(file)) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
