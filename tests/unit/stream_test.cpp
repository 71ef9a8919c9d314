#include "core/qv_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> counting_bytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), uint8_t{1});
  return bytes;
}

QVStream stream_holding(const std::vector<uint8_t> &bytes) {
  QVStream stream = qv_stream_new();
  qv_stream_write(bytes.data(), 1, bytes.size(), stream);
  return stream;
}

}  // namespace

TEST(StreamWrite, NothingToWriteLeavesTheStreamAlone) {
  QVStream stream = stream_holding(counting_bytes(10));
  qv_stream_seek(stream, 4, QV_SEEK_SET);
  const uint8_t byte = 7;

  EXPECT_EQ(qv_stream_write(&byte, 0, 5, stream), 0u);
  EXPECT_EQ(qv_stream_write(&byte, 1, 0, stream), 0u);
  EXPECT_EQ(qv_stream_write(nullptr, 1, 1, stream), 0u);
  EXPECT_EQ(qv_stream_write(&byte, std::numeric_limits<size_t>::max(), 2, stream), 0u);

  EXPECT_EQ(stream.length, 10u);
  EXPECT_EQ(stream.position, 4u);
  EXPECT_EQ(stream.clusters.size(), 1u);
}

TEST(StreamWrite, GrowsByWholeClusters) {
  QVStream stream = qv_stream_new();
  EXPECT_EQ(stream.cluster_size, 512u);
  EXPECT_TRUE(stream.clusters.empty());

  const std::vector<uint8_t> block = counting_bytes(512);
  EXPECT_EQ(qv_stream_write(block.data(), 512, 1, stream), 512u);
  EXPECT_EQ(stream.clusters.size(), 1u);

  const uint8_t one_more = 0xAB;
  EXPECT_EQ(qv_stream_write(&one_more, 1, 1, stream), 1u);
  EXPECT_EQ(stream.clusters.size(), 2u);
  EXPECT_EQ(stream.length, 513u);
  EXPECT_EQ(stream.position, 513u);
}

TEST(StreamWrite, AppendsAfterASeekAndNeverMovesWrittenBytes) {
  QVStream stream = stream_holding(counting_bytes(100));
  const uint8_t *first_cluster = stream.clusters[0]->data();
  qv_stream_seek(stream, 0, QV_SEEK_SET);

  const std::vector<uint8_t> more = counting_bytes(5000);
  EXPECT_EQ(qv_stream_write(more.data(), 1, more.size(), stream), 5000u);

  EXPECT_EQ(stream.clusters[0]->data(), first_cluster);
  EXPECT_EQ(stream.length, 5100u);
  std::vector<uint8_t> expected = counting_bytes(100);
  expected.insert(expected.end(), more.begin(), more.end());
  EXPECT_EQ(qv_stream_get_buffer(stream), expected);
}

TEST(StreamRead, ReadsAcrossClusterBordersInUnevenPieces) {
  const std::vector<uint8_t> content = counting_bytes(1300);
  QVStream stream = qv_stream_new();
  for (size_t at = 0; at < content.size(); at += 7) {
    const size_t piece = std::min<size_t>(7, content.size() - at);
    ASSERT_EQ(qv_stream_write(content.data() + at, 1, piece, stream), piece);
  }
  qv_stream_seek(stream, 0, QV_SEEK_SET);

  std::vector<uint8_t> read_back;
  uint8_t piece[13];
  size_t got = 0;
  while ((got = qv_stream_read(piece, 1, sizeof piece, stream)) > 0) {
    read_back.insert(read_back.end(), piece, piece + got);
  }
  EXPECT_EQ(read_back, content);
}

TEST(StreamRead, StopsAtTheLength) {
  QVStream stream = stream_holding(counting_bytes(600));
  qv_stream_seek(stream, -3, QV_SEEK_END);

  uint8_t buffer[10] = {};
  EXPECT_EQ(qv_stream_read(buffer, 2, 5, stream), 3u);
  EXPECT_EQ(buffer[2], uint8_t(600 % 256));
  EXPECT_EQ(stream.position, 600u);
  EXPECT_EQ(qv_stream_read(buffer, 1, 10, stream), 0u);
}

TEST(StreamRead, OverflowingRequestReadsNothing) {
  QVStream stream = stream_holding(counting_bytes(20));
  qv_stream_seek(stream, 0, QV_SEEK_SET);
  uint8_t buffer[20];
  EXPECT_EQ(qv_stream_read(buffer, std::numeric_limits<size_t>::max(), 3, stream), 0u);
  EXPECT_EQ(stream.position, 0u);
}

TEST(StreamSeek, ClampsToTheContent) {
  QVStream stream = stream_holding(counting_bytes(40));

  EXPECT_EQ(qv_stream_seek(stream, -5, QV_SEEK_SET), 0u);
  EXPECT_EQ(qv_stream_seek(stream, 10, QV_SEEK_SET), 10u);
  EXPECT_EQ(qv_stream_seek(stream, 5, QV_SEEK_CUR), 15u);
  EXPECT_EQ(qv_stream_seek(stream, -20, QV_SEEK_CUR), 0u);
  EXPECT_EQ(qv_stream_seek(stream, 5, QV_SEEK_END), 40u);
  EXPECT_EQ(qv_stream_seek(stream, -1, QV_SEEK_END), 39u);
  EXPECT_EQ(qv_stream_seek(stream, std::numeric_limits<int64_t>::min(), QV_SEEK_END), 0u);
  EXPECT_EQ(qv_stream_seek(stream, std::numeric_limits<int64_t>::max(), QV_SEEK_CUR), 40u);
  EXPECT_EQ(qv_stream_seek(stream, 0, 7), 40u);  // unknown whence: stays
}

TEST(StreamGetBuffer, EmptyStreamGivesEmptyBuffer) {
  QVStream stream = qv_stream_new();
  EXPECT_TRUE(qv_stream_get_buffer(stream).empty());
  EXPECT_EQ(stream.length, 0u);
}

TEST(StreamGetBuffer, CopiesEverythingWhateverThePosition) {
  const std::vector<uint8_t> content = counting_bytes(1024);
  QVStream stream = stream_holding(content);
  qv_stream_seek(stream, 700, QV_SEEK_SET);
  EXPECT_EQ(qv_stream_get_buffer(stream), content);
  EXPECT_EQ(stream.clusters.size(), 2u);
}
