// Speed of the exact power and sample size of Fisher's test for planning.

#include "core/Power.h"

#include <benchmark/benchmark.h>

namespace {

TPowerTest Test(TPowerRule rule)
{
    TPowerTest t;
    t.rule = rule;
    return t;
}

// Target: under 1 s for N1 = N2 = 1000.
void BM_Power1000(benchmark::State &state)
{
    const TPowerTest test = Test(TPowerRule(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ExactPower(0.2L, 0.25L, 1000, 1000, test));
}
BENCHMARK(BM_Power1000)
    ->Arg(int(TPowerRule::Velmar))
    ->Arg(int(TPowerRule::MinLikelihood))
    ->Arg(int(TPowerRule::Central))
    ->Unit(benchmark::kMillisecond);

// The largest groups, for the record.
void BM_PowerLargest(benchmark::State &state)
{
    const TPowerTest test = Test(TPowerRule::Velmar);
    for (auto _ : state)
        benchmark::DoNotOptimize(ExactPower(0.2L, 0.22L, 20000, 20000, test));
}
BENCHMARK(BM_PowerLargest)->Unit(benchmark::kMillisecond);

// Target: under 1 s for 0.2 against 0.5 at 80 %.
void BM_SampleSize(benchmark::State &state)
{
    const TPowerTest test = Test(TPowerRule(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ExactSampleSize(0.2L, 0.5L, 0.8L, 1.0L, test));
}
BENCHMARK(BM_SampleSize)
    ->Arg(int(TPowerRule::Velmar))
    ->Arg(int(TPowerRule::Central))
    ->Unit(benchmark::kMillisecond);

// A smaller difference: about 1100 per group.
void BM_SampleSizeSmallEffect(benchmark::State &state)
{
    const TPowerTest test = Test(TPowerRule::Velmar);
    for (auto _ : state)
        benchmark::DoNotOptimize(ExactSampleSize(0.2L, 0.25L, 0.8L, 1.0L, test));
}
BENCHMARK(BM_SampleSizeSmallEffect)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
