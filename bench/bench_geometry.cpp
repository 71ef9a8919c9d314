// Path measurement walks every segment down to half-pixel pieces, so its cost
// grows with the drawn length, not only with the number of segments. The
// paths here are waves of S-shaped segments, each about 62 px long; items
// are segments, so the reported rate is segments per second.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/qv_geometry.h"

namespace {

// A wave of `segments` S-curves, 40 px apart and swinging 30 px, listed as
// the path reader lists an open stroke.
std::vector<double> wave(int segments) {
  std::vector<double> p;
  auto add = [&](double x, double y, double type) { p.insert(p.end(), {x, y, type}); };
  for (int i = 0; i <= segments; ++i) {
    const double x = 40.0 * i, y = (i % 2) ? 30.0 : 0.0, swing = (i % 2) ? 15.0 : -15.0;
    if (i > 0) add(x - 15, y + swing, QV_POINT_CONTROL);
    add(x, y, QV_POINT_ANCHOR);
    add(x + 15, y + swing, QV_POINT_CONTROL);
  }
  return p;
}

void run_mode(benchmark::State &state, int mode) {
  const int segments = static_cast<int>(state.range(0));
  const auto points = wave(segments);
  QVpathCalc total;
  qv_path_calculate_points(points, total, nullptr);
  for (auto _ : state) {
    QVpathCalc calc;
    calc.mode = mode;
    calc.length = total.length / 2;  // mode 1 stops half-way
    calc.target_x = 40.0 * segments / 3;
    calc.target_y = 100;
    benchmark::DoNotOptimize(qv_path_calculate_points(points, calc, nullptr));
    benchmark::DoNotOptimize(calc.length);
  }
  state.SetItemsProcessed(state.iterations() * segments);
  state.counters["time/segment"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * segments,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["px"] = total.length;
}

void BM_PathLength(benchmark::State &state) { run_mode(state, QV_CALC_LENGTH); }
void BM_PathAtLength(benchmark::State &state) { run_mode(state, QV_CALC_AT_LENGTH); }
void BM_PathNearest(benchmark::State &state) { run_mode(state, QV_CALC_NEAREST); }

}  // namespace

BENCHMARK(BM_PathLength)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PathAtLength)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PathNearest)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
