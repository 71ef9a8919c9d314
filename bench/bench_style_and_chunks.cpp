// The style merge runs once per path per frame when a timeline renders, and
// chunk conversion once per timeline or path-group load: both must stay
// cheap next to GIMP's own work. Each benchmark prints its time per item.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/qv_chunks.h"
#include "core/qv_snapshot.h"
#include "core/qv_style.h"

namespace {

std::string typical_style(int items) {
  std::string text;
  for (int i = 0; i < items; ++i) {
    if (i) text += '\t';
    text += "attribute-" + std::to_string(i % (items / 2 + 1)) + ": " + std::to_string(i) + " 0 0";
  }
  return text;
}

void BM_StyleMerge(benchmark::State &state) {
  const std::string base = typical_style(static_cast<int>(state.range(0)));
  const std::string over = "@-timeline-t-temp: 0.5000000000\topacity: 40";
  for (auto _ : state) benchmark::DoNotOptimize(qv_style_merge(base, over));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StyleMerge)->Arg(8)->Arg(32)->Arg(128);

void BM_StyleSet(benchmark::State &state) {
  const std::string base = typical_style(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(
        qv_style_set_attributes(base, {{"opacity: ", "50"}, {"stroke: ", "1 2 3"}}));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StyleSet)->Arg(8)->Arg(128);

// A snapshot of many paths with 300 points each, converted to big-endian
// and back as a stored path group is.
void BM_SnapshotRoundTrip(benchmark::State &state) {
  std::vector<uint8_t> data;
  qv_snapshot_append_group_header(data, 1, "Group");
  for (int i = 0; i < state.range(0); ++i)
    qv_snapshot_append_path(
        data, {i + 1, 1, 0, "path " + std::to_string(i), std::vector<double>(900, 1.5)});
  for (auto _ : state) {
    qv_chunks_to_big_endian(data.data(), data.size());
    qv_chunks_to_host(data.data(), data.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()) * 2);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SnapshotRoundTrip)->Arg(10)->Arg(1000);

}  // namespace
