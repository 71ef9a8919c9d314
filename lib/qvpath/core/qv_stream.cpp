#include <new>

#include "core/qv_stream.h"

#include "core/qv_fatal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// size*count, or nothing when the product does not fit in size_t.
bool multiply_fits(size_t size, size_t count, size_t &product) {
  if (count != 0 && size > std::numeric_limits<size_t>::max() / count) {
    return false;
  }
  product = size * count;
  return true;
}

void ensure_clusters_for(QVStream &stream, size_t end) {
  const size_t needed = (end + stream.cluster_size - 1) / stream.cluster_size;
  while (stream.clusters.size() < needed) {
    qv_or_abort("Abort, buf2=malloc(stream->cluster_size) failed!",
                [&stream] { stream.clusters.push_back(std::make_unique<QVStreamCluster>()); });
  }
}

}  // namespace

QVStream qv_stream_new() { return QVStream{}; }

size_t qv_stream_write(const void *data, size_t size, size_t count, QVStream &stream) {
  size_t bytes = 0;
  if (data == nullptr || !multiply_fits(size, count, bytes) || bytes == 0 ||
      bytes > std::numeric_limits<size_t>::max() - stream.length) {
    return 0;
  }
  stream.position = stream.length;
  ensure_clusters_for(stream, stream.length + bytes);

  const auto *source = static_cast<const uint8_t *>(data);
  size_t left = bytes;
  while (left > 0) {
    const size_t cluster = stream.position / stream.cluster_size;
    const size_t inside = stream.position % stream.cluster_size;
    const size_t piece = std::min(left, stream.cluster_size - inside);
    std::memcpy(stream.clusters[cluster]->data() + inside, source, piece);
    source += piece;
    stream.position += piece;
    left -= piece;
  }
  stream.length = stream.position;
  return bytes;
}

size_t qv_stream_read(void *buffer, size_t size, size_t count, QVStream &stream) {
  size_t wanted = 0;
  if (buffer == nullptr || !multiply_fits(size, count, wanted)) {
    return 0;
  }
  const size_t bytes = std::min(wanted, stream.length - stream.position);

  auto *target = static_cast<uint8_t *>(buffer);
  size_t left = bytes;
  while (left > 0) {
    const size_t cluster = stream.position / stream.cluster_size;
    const size_t inside = stream.position % stream.cluster_size;
    const size_t piece = std::min(left, stream.cluster_size - inside);
    std::memcpy(target, stream.clusters[cluster]->data() + inside, piece);
    target += piece;
    stream.position += piece;
    left -= piece;
  }
  return bytes;
}

size_t qv_stream_seek(QVStream &stream, int64_t offset, int whence) {
  size_t base = 0;
  switch (whence) {
    case QV_SEEK_SET:
      base = 0;
      break;
    case QV_SEEK_CUR:
      base = stream.position;
      break;
    case QV_SEEK_END:
      base = stream.length;
      break;
    default:
      return stream.position;
  }
  // Work with the offset's magnitude so that INT64_MIN and offsets far
  // beyond the length clamp instead of overflowing.
  if (offset < 0) {
    const uint64_t back = uint64_t{0} - static_cast<uint64_t>(offset);
    stream.position = back >= base ? 0 : base - static_cast<size_t>(back);
  } else {
    const uint64_t ahead = static_cast<uint64_t>(offset);
    const size_t room = stream.length - base;
    stream.position = ahead >= room ? stream.length : base + static_cast<size_t>(ahead);
  }
  return stream.position;
}

std::vector<uint8_t> qv_stream_get_buffer(QVStream &stream) {
  std::vector<uint8_t> buffer;
  if (stream.length == 0) {
    return buffer;
  }
  qv_or_abort("Abort, buffer=malloc(stream->length) failed!",
              [&] { buffer.resize(stream.length); });
  qv_stream_seek(stream, 0, QV_SEEK_SET);
  qv_stream_read(buffer.data(), 1, buffer.size(), stream);
  return buffer;
}
