// Speed of Boschloo's and Barnard's unconditional tests: all six p-values of a
// table, the rejection sets and the five suprema over the common proportion.

#include "core/Unconditional.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct TCells {
    int a, b, c, d;
};

const TCells Tables[] = {
    {20, 30, 25, 15},     // target: under 5 ms
    {240, 260, 280, 220}, // m = n = 500, target: under 1 s
    {510, 490, 480, 520}, // the largest total, 2000
    {900, 100, 850, 150}, // total 2000, Boschloo's left p near 1 over a wide plateau
};

void BM_UnconditionalTests(benchmark::State &state)
{
    const TCells t = Tables[state.range(0)];
    for (auto _ : state) {
        TUnconditionalTests r;
        benchmark::DoNotOptimize(ComputeUnconditionalTests(t.a, t.b, t.c, t.d, r));
        benchmark::DoNotOptimize(r.barnardTwoSided);
    }
    state.SetLabel(std::to_string(t.a) + " " + std::to_string(t.b) + " " + std::to_string(t.c) +
                   " " + std::to_string(t.d));
}
BENCHMARK(BM_UnconditionalTests)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
