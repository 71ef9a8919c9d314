#include "core/qv_xcf.h"

#include "core/qv_filename.h"

#include <glib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t XCF_MAGIC_BYTES = 14;  // "gimp xcf file\0" or "gimp xcf vNNN\0"

// Property types whose stored length GIMP itself does not trust: they are
// skipped by the size their content implies.
constexpr uint32_t PROP_END = 0;
constexpr uint32_t PROP_COLORMAP = 1;
constexpr uint32_t PROP_COMPRESSION = 17;
constexpr uint32_t PROP_RESOLUTION = 19;
constexpr uint32_t PROP_PARASITES = 21;
constexpr uint32_t PROP_UNIT = 22;

// A largest parasite list we accept; GIMP keeps parasites in memory as well,
// and a length beyond this is a broken file, not a real image.
constexpr uint32_t MAX_PARASITE_LIST = 256u << 20;

uint32_t be32(const uint8_t *at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

// Sequential reader over a source; every step is checked against its size.
struct Cursor {
  const QVXcfSource &source;
  uint64_t at = 0;

  bool has(uint64_t count) const { return count <= source.size && at <= source.size - count; }

  bool read(void *out, size_t count) {
    if (!has(count)) return false;
    if (count == 0) return true;  // an empty parasite list has no buffer to fill
    if (!source.read(at, out, count)) return false;
    at += count;
    return true;
  }
  std::optional<uint32_t> u32() {
    uint8_t bytes[4];
    if (!read(bytes, 4)) return std::nullopt;
    return be32(bytes);
  }
  bool skip(uint64_t count) {
    if (!has(count)) return false;
    at += count;
    return true;
  }
};

QVXcfRead failure(std::string reason) { return {std::nullopt, std::move(reason)}; }

std::string truncated(const char *where) {
  return std::string("the file ends inside ") + where + " (truncated XCF)";
}

// "gimp xcf file" is version 0; "gimp xcf v" and three digits give the rest.
std::optional<int> parse_version(const uint8_t (&magic)[XCF_MAGIC_BYTES]) {
  if (std::memcmp(magic, "gimp xcf ", 9) != 0 || magic[13] != '\0') return std::nullopt;
  if (std::memcmp(magic + 9, "file", 4) == 0) return 0;
  if (magic[9] != 'v') return std::nullopt;
  int version = 0;
  for (int i = 10; i < 13; ++i) {
    if (!g_ascii_isdigit(magic[i])) return std::nullopt;
    version = version * 10 + (magic[i] - '0');
  }
  return version;
}

// The parasite list: name length (with NUL), name, flags, data size, data.
std::optional<std::string> parse_parasites(const std::vector<uint8_t> &list,
                                           std::vector<QVXcfParasite> &out) {
  size_t at = 0;
  const size_t end = list.size();
  while (at < end) {
    if (end - at < 4) return "a parasite name length is cut off";
    const uint32_t name_length = be32(&list[at]);
    at += 4;
    if (name_length == 0 || name_length > end - at) return "a parasite name runs past its list";
    if (list[at + name_length - 1] != '\0') return "a parasite name is not terminated";
    QVXcfParasite parasite;
    parasite.name.assign(reinterpret_cast<const char *>(&list[at]));
    at += name_length;
    if (end - at < 8) return "parasite \"" + parasite.name + "\" is cut off";
    parasite.flags = be32(&list[at]);
    const uint32_t size = be32(&list[at + 4]);
    at += 8;
    if (size > end - at) return "the data of parasite \"" + parasite.name + "\" run past its list";
    parasite.data.assign(list.begin() + at, list.begin() + at + size);
    at += size;
    out.push_back(std::move(parasite));
  }
  return std::nullopt;
}

// Walks the image properties up to the end marker or, unless `to_end`, the
// parasite list.
std::optional<std::string> walk_properties(Cursor &cursor, QVXcfImage &image, bool to_end) {
  bool parasites_seen = false;
  for (;;) {
    const auto type = cursor.u32();
    const auto length = cursor.u32();
    if (!type || !length) return truncated("the image properties");
    switch (*type) {
      case PROP_END:
        return std::nullopt;
      case PROP_COLORMAP: {
        const auto colours = cursor.u32();
        if (!colours || !cursor.skip(uint64_t{*colours} * 3)) return truncated("the colour map");
        break;
      }
      case PROP_COMPRESSION:
        if (!cursor.skip(1)) return truncated("the compression property");
        break;
      case PROP_RESOLUTION:
        if (!cursor.skip(8)) return truncated("the resolution property");
        break;
      case PROP_UNIT:
        if (!cursor.skip(4)) return truncated("the unit property");
        break;
      case PROP_PARASITES: {
        // GIMP writes one list; a second in a damaged file is passed over,
        // so the layers' read gives the same parasites as the plain one.
        if (parasites_seen) {
          if (!cursor.skip(*length)) return truncated("an image property");
          break;
        }
        parasites_seen = true;
        if (*length > MAX_PARASITE_LIST) {
          return "the parasite list claims " + std::to_string(*length) +
                 " bytes, more than any image holds";
        }
        std::vector<uint8_t> list(*length);
        if (!cursor.read(list.data(), list.size())) return truncated("the parasite list");
        if (auto error = parse_parasites(list, image.parasites)) {
          image.parasites.clear();
          return "broken parasite list: " + *error;
        }
        // GIMP writes all image parasites in one list: nothing further is needed.
        if (!to_end) return std::nullopt;
        break;
      }
      default:
        if (!cursor.skip(*length)) return truncated("an image property");
    }
  }
}

// A layer count or a name longer than these is a broken file, not a real
// image; without the caps a small damaged file could make the reader copy
// its whole length once per layer.
constexpr size_t MAX_LAYERS = 100000;
constexpr uint32_t MAX_LAYER_NAME = 64u << 10;

std::optional<uint64_t> offset(Cursor &cursor, int bytes) {
  const auto high = bytes == 8 ? cursor.u32() : std::optional<uint32_t>(0);
  const auto low = cursor.u32();
  if (!high || !low) return std::nullopt;
  return (uint64_t{*high} << 32) | *low;
}

// The layer list after the image properties: offsets up to a 0, and at each
// offset width, height, type and the name (length with its NUL, then bytes).
std::optional<std::string> read_layers(Cursor &cursor, QVXcfImage &image) {
  std::vector<uint64_t> offsets;
  for (;;) {
    const auto at = offset(cursor, image.offset_bytes);
    if (!at) return truncated("the layer list");
    if (*at == 0) break;
    if (offsets.size() == MAX_LAYERS) return "the layer list never ends";
    offsets.push_back(*at);
  }
  for (uint64_t at : offsets) {
    Cursor layer{cursor.source, at};
    const auto width = layer.u32();
    const auto height = layer.u32();
    const auto type = layer.u32();
    const auto length = layer.u32();
    if (!width || !height || !type || !length) return truncated("a layer header");
    if (*length > MAX_LAYER_NAME)
      return "a layer name claims " + std::to_string(*length) + " bytes";
    std::string name(*length, '\0');
    if (!layer.read(name.data(), name.size())) return truncated("a layer name");
    if (!name.empty() && name.back() != '\0') return "a layer name is not terminated";
    name.resize(std::strlen(name.c_str()));
    image.layers.push_back({std::move(name), *width, *height});
  }
  return std::nullopt;
}

}  // namespace

QVXcfRead qv_xcf_read(const QVXcfSource &source, bool with_layers) {
  Cursor cursor{source};
  uint8_t magic[XCF_MAGIC_BYTES];
  if (!cursor.read(magic, sizeof magic) || std::memcmp(magic, "gimp xcf", 8) != 0) {
    return failure("not a GIMP XCF image");
  }
  const std::optional<int> version = parse_version(magic);
  if (!version) return failure("not a GIMP XCF image (unknown version tag)");

  QVXcfImage image;
  image.version = *version;
  image.offset_bytes = *version >= 11 ? 8 : 4;
  const auto width = cursor.u32();
  const auto height = cursor.u32();
  const auto base_type = cursor.u32();
  if (!width || !height || !base_type) return failure(truncated("the image header"));
  image.width = *width;
  image.height = *height;
  image.base_type = *base_type;
  if (*version >= 4) {
    image.precision = cursor.u32();
    if (!image.precision) return failure(truncated("the image header"));
  }
  if (auto error = walk_properties(cursor, image, with_layers)) return failure(*error);
  if (with_layers) {
    if (auto error = read_layers(cursor, image)) return failure(*error);
  }
  return {std::move(image), {}};
}

QVXcfRead qv_xcf_read_bytes(const uint8_t *data, size_t length, bool with_layers) {
  QVXcfSource source;
  source.size = data ? length : 0;
  source.read = [data](uint64_t offset, void *out, size_t count) {
    std::memcpy(out, data + offset, count);
    return true;
  };
  return qv_xcf_read(source, with_layers);
}

namespace {

// Opens a regular file for reading without ever blocking: a FIFO or a
// device is refused before it is opened, and O_NONBLOCK covers one swapped
// in between the look and the open.
QVFile open_regular(const std::string &utf8_name, std::string &error) {
  const auto native = qv_filename_from_utf8(utf8_name.c_str());
  if (!native) {
    error = "the file name cannot be converted";
    return nullptr;
  }
  struct stat info {};
  if (stat(native->c_str(), &info) != 0) {
    error = std::string("cannot open the file: ") + g_strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "not a regular file";
    return nullptr;
  }
  const int fd = open(native->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("cannot open the file: ") + g_strerror(errno);
    return nullptr;
  }
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    error = "not a regular file";
    return nullptr;
  }
  QVFile file(fdopen(fd, "rb"));
  if (!file) {
    close(fd);
    error = std::string("cannot open the file: ") + g_strerror(errno);
  }
  return file;
}

}  // namespace

QVXcfRead qv_xcf_read_file(const std::string &utf8_name, bool with_layers) {
  std::string error;
  QVFile file = open_regular(utf8_name, error);
  if (!file) return failure(error);
  struct stat info {};
  if (fstat(fileno(file.get()), &info) != 0) return failure("not a regular file");
  uint8_t head[3] = {};
  if (std::fread(head, 1, sizeof head, file.get()) == sizeof head &&
      ((head[0] == 0x1f && head[1] == 0x8b) || std::memcmp(head, "BZh", 3) == 0 ||
       (head[0] == 0xfd && head[1] == '7' && head[2] == 'z'))) {
    return failure("a compressed XCF (.xcf.gz, .xcf.bz2, .xcf.xz): save it uncompressed first");
  }
  QVXcfSource source;
  source.size = static_cast<uint64_t>(info.st_size);
  std::FILE *stream = file.get();
  source.read = [stream](uint64_t offset, void *out, size_t count) {
    return fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, count, stream) == count;
  };
  return qv_xcf_read(source, with_layers);
}

const QVXcfParasite *qv_xcf_find_parasite(const QVXcfImage &image, const std::string &name) {
  for (const QVXcfParasite &parasite : image.parasites) {
    if (parasite.name == name) return &parasite;
  }
  return nullptr;
}
