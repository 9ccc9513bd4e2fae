// Speed of the distribution, the report and the table statistics, beside the
// peer a C++ user would reach for: Boost.Math's hypergeometric distribution.

#include "core/ExactIntervals.h"
#include "core/Fisher.h"
#include "core/LargeTable.h"
#include "core/RiskMeasures.h"
#include "core/TableStatistics.h"
#include "report/Report.h"

#include <benchmark/benchmark.h>
#include <boost/math/distributions/hypergeometric.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

namespace {

struct TTable {
    int s, m, k;
};

// Balanced and skewed tables for each size: the argument picks one.
const TTable Tables[] = {
    {14, 9, 9},
    {14, 12, 3}, // tiny
    {2000, 1000, 1000},
    {2000, 1800, 300}, // medium
    {20000, 10000, 10000},
    {20000, 18000, 4000}, // largest
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
    // The bounds as the driver computes them for each report.
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildReport(sink, dist, table, ComputeCriticalBounds(dist)));
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
    const double velmar =
        SecondsPerCall([&] { ComputeDistribution(dist, t.s, t.m, t.k); }, reps * 10);
    state.counters["boost_over_velmar"] = boost / velmar;
    SetLabel(state, t);
}

// Cells a b c d: the largest total balanced and skewed, and a small table.
const int StatisticsTables[][4] = {
    {5000, 5000, 5000, 5000},
    {9000, 1000, 3000, 7000},
    {23, 41, 7, 55},
};

// Odds ratios, interval and p-values of one table whose distribution is ready.
void BM_TableStatistics(benchmark::State &state)
{
    const int *t = StatisticsTables[state.range(0)];
    TFisherDistribution dist;
    ComputeDistribution(dist, t[0] + t[1] + t[2] + t[3], t[0] + t[1], t[0] + t[2]);
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeTableStatistics(dist, t[0], t[1], t[2], t[3]));
    state.SetLabel(std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) +
                   " " + std::to_string(t[3]));
}

// A thousand small tables, cells 0 to 60, the same in every run.
std::vector<std::array<int, 4>> SmallTables()
{
    std::vector<std::array<int, 4>> tables(1000);
    uint32_t seed = 12345;
    for (auto &t : tables)
        for (int &cell : t) {
            seed = seed * 1664525u + 1013904223u;
            cell = int((seed >> 8) % 61u);
        }
    return tables;
}

// A batch of small tables (cells 0 to 60), each with its distribution: the
// time per table, and "per_100000" the time of 100,000 such tables in seconds.
void BM_SmallTablesWithDistribution(benchmark::State &state)
{
    const std::vector<std::array<int, 4>> tables = SmallTables();
    TFisherDistribution dist;
    for (auto _ : state) {
        for (const auto &t : tables) {
            const int s = t[0] + t[1] + t[2] + t[3];
            if (ComputeDistribution(dist, s, t[0] + t[1], t[0] + t[2]) == 0)
                benchmark::DoNotOptimize(ComputeTableStatistics(dist, t[0], t[1], t[2], t[3]));
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(tables.size()));
    state.counters["per_100000"] =
        benchmark::Counter(double(state.iterations()) * double(tables.size()) / 100000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The three rules with their intervals, and the risk measures, of one table.
void BM_RuleIntervals(benchmark::State &state)
{
    const int *t = StatisticsTables[state.range(0)];
    TFisherDistribution dist;
    ComputeDistribution(dist, t[0] + t[1] + t[2] + t[3], t[0] + t[1], t[0] + t[2]);
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeRuleIntervals(dist, t[0], t[1], t[2], t[3]));
    state.SetLabel(std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) +
                   " " + std::to_string(t[3]));
}

void BM_RiskMeasures(benchmark::State &state)
{
    const int *t = StatisticsTables[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeRiskMeasures(t[0], t[1], t[2], t[3]));
    state.SetLabel(std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) +
                   " " + std::to_string(t[3]));
}

// The same batch of small tables, with the rules' intervals and the risk measures.
void BM_SmallTablesIntervals(benchmark::State &state)
{
    const std::vector<std::array<int, 4>> tables = SmallTables();
    TFisherDistribution dist;
    for (auto _ : state) {
        for (const auto &t : tables) {
            const int s = t[0] + t[1] + t[2] + t[3];
            if (ComputeDistribution(dist, s, t[0] + t[1], t[0] + t[2]) == 0) {
                benchmark::DoNotOptimize(ComputeRuleIntervals(dist, t[0], t[1], t[2], t[3]));
                benchmark::DoNotOptimize(ComputeRiskMeasures(t[0], t[1], t[2], t[3]));
            }
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(tables.size()));
    state.counters["per_100000"] =
        benchmark::Counter(double(state.iterations()) * double(tables.size()) / 100000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A table of total 23,000,000 with every value of its batch row.
void BM_LargeTable(benchmark::State &state)
{
    for (auto _ : state) {
        TLargeTable t;
        benchmark::DoNotOptimize(ComputeLargeTable(1000000, 2000000, 3000000, 17000000, 0.95L, t));
        benchmark::DoNotOptimize(ComputeRiskMeasures(1000000, 2000000, 3000000, 17000000));
    }
}

} // namespace

BENCHMARK(BM_TableStatistics)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallTablesWithDistribution)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RuleIntervals)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RiskMeasures)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallTablesIntervals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeDistribution)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildReport)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BoostHypergeometric)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
