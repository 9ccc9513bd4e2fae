// Speed of the distribution and the report, beside the peer a C++ user would
// reach for: Boost.Math's hypergeometric distribution.

#include "core/Fisher.h"
#include "report/Report.h"

#include <benchmark/benchmark.h>
#include <boost/math/distributions/hypergeometric.hpp>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

struct TTable {
    int s, m, k;
};

// Balanced and skewed tables for each size: the argument picks one.
const TTable Tables[] = {
    {14, 9, 9},       {14, 12, 3},     // tiny
    {2000, 1000, 1000}, {2000, 1800, 300}, // medium
    {20000, 10000, 10000}, {20000, 18000, 4000}, // largest
};

class TDiscardSink : public clReportSink {
public:
    void Clear() override {}
    bool AppendLine(const std::string &line) override
    {
        benchmark::DoNotOptimize(line.data());
        return true;
    }
    void SetCaret(int) override {}
    void Show() override {}
    void FocusText() override {}
    void SetCriticalBounds(const TCriticalBounds &) override {}
};

void ComputeWithBoost(const TTable &t, std::vector<double> &point, std::vector<double> &left)
{
    const boost::math::hypergeometric_distribution<double> dist(unsigned(t.k), unsigned(t.m),
                                                               unsigned(t.s));
    const int aMin = std::max(0, t.m + t.k - t.s), aMax = std::min(t.m, t.k);
    point.clear();
    left.clear();
    double sum = 0.0;
    for (int a = aMin; a <= aMax; ++a) {
        point.push_back(boost::math::pdf(dist, unsigned(a)));
        sum += point.back();
        left.push_back(sum);
    }
}

template <typename F> double SecondsPerCall(F &&call, int reps)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i)
        call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / reps;
}

void SetLabel(benchmark::State &state, const TTable &t)
{
    state.SetLabel("s=" + std::to_string(t.s) + " m=" + std::to_string(t.m) +
                   " k=" + std::to_string(t.k));
}

void BM_ComputeDistribution(benchmark::State &state)
{
    const TTable t = Tables[state.range(0)];
    TFisherDistribution dist;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeDistribution(dist, t.s, t.m, t.k));
    SetLabel(state, t);
}

void BM_BuildReport(benchmark::State &state)
{
    const TTable t = Tables[state.range(0)];
    TFisherDistribution dist;
    ComputeDistribution(dist, t.s, t.m, t.k);
    TInputTable table;
    table.m = t.m, table.k = t.k, table.s = t.s;
    table.a = dist.mode;
    table.b = t.m - table.a, table.c = t.k - table.a;
    table.d = t.s - t.m - table.c;
    TDiscardSink sink;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildReport(sink, dist, table));
    SetLabel(state, t);
}

// The same distribution (every point probability and the left sums) with Boost;
// "boost_over_velmar" says how many times longer Boost takes.
void BM_BoostHypergeometric(benchmark::State &state)
{
    const TTable t = Tables[state.range(0)];
    std::vector<double> point, left;
    TFisherDistribution dist;
    for (auto _ : state) {
        ComputeWithBoost(t, point, left);
        benchmark::DoNotOptimize(left.data());
    }
    const int reps = t.s > 10000 ? 3 : 50;
    const double boost = SecondsPerCall([&] { ComputeWithBoost(t, point, left); }, reps);
    const double velmar = SecondsPerCall([&] { ComputeDistribution(dist, t.s, t.m, t.k); }, reps * 10);
    state.counters["boost_over_velmar"] = boost / velmar;
    SetLabel(state, t);
}

} // namespace

BENCHMARK(BM_ComputeDistribution)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildReport)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BoostHypergeometric)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
