// Reading an XCF file's image parasites without GIMP: the batch launcher
// lists the timelines stored in an image before any GIMP is started.
//
// Only the file header and the image property list are read. Their layout
// is the same in every XCF version except for one field: from version 4 on
// the header carries the image precision after the base type. (Version 11
// and later use 64-bit offsets, but those pointers come after the property
// list and are never followed here.) Every length in the file is checked
// against the bytes that are really there; a file that ends early or breaks
// its own framing is refused with a reason, never half-read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct QVXcfParasite {
  std::string name;
  uint32_t flags = 0;
  std::vector<uint8_t> data;
};

struct QVXcfLayer {
  std::string name;
  uint32_t width = 0;
  uint32_t height = 0;
};

struct QVXcfImage {
  int version = 0;  // 0 for "gimp xcf file", n for "gimp xcf vNNN"
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t base_type = 0;
  std::optional<uint32_t> precision;  // present from version 4 on
  int offset_bytes = 4;               // 8 from version 11 on
  std::vector<QVXcfParasite> parasites;
  // Top of the Layers dialog first, layers inside groups included; only
  // read on request.
  std::vector<QVXcfLayer> layers;
};

// Either the image or the reason it could not be read (an English sentence
// without the file name, for the caller to put into its message).
struct QVXcfRead {
  std::optional<QVXcfImage> image;
  std::string error;
};

// Random access to the file's bytes. `read` fills exactly `count` bytes from
// `offset` or answers false; `size` bounds every skip.
struct QVXcfSource {
  uint64_t size = 0;
  std::function<bool(uint64_t offset, void *out, size_t count)> read;
};

// `with_layers` also reads every layer's name and size (following the
// layer list's offsets, never the pixel data); the file is then refused when
// that list is broken too.
QVXcfRead qv_xcf_read(const QVXcfSource &source, bool with_layers = false);
QVXcfRead qv_xcf_read_bytes(const uint8_t *data, size_t length, bool with_layers = false);

// Opens the file (name in UTF-8, converted to the file-name encoding) and
// reads only the header and properties (and the layer headers), however
// large the file is.
QVXcfRead qv_xcf_read_file(const std::string &utf8_name, bool with_layers = false);

// The parasite of that name, or null.
const QVXcfParasite *qv_xcf_find_parasite(const QVXcfImage &image, const std::string &name);
