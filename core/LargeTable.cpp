#include "core/LargeTable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Weights below this share of the largest cannot move a probability above
// 1e-300 by a relative 1e-12, nor any sum of the others.
constexpr long double Negligible = 1e-340L;
// Ties lost to rounding still count as "no more extreme".
constexpr long double TieFactor = 1.0L + 1e-7L;

// The weights of a at psi = 1 over the stretch lo .. hi where they matter,
// relative to the most probable a.
struct TWeightStretch {
    int64_t lo = 0, hi = 0;
    std::vector<long double> w; // w[x - lo]
    long double total = 0.0L;

    long double At(int64_t x) const { return x < lo || x > hi ? 0.0L : w[size_t(x - lo)]; }
};

TWeightStretch WeightsAtOne(int64_t s, int64_t m, int64_t k, int64_t aMin, int64_t aMax)
{
    // w(x + 1) / w(x) = (m - x)(k - x) / ((x + 1)(s - m - k + x + 1)); each
    // product of two 31-bit numbers is exact in the extended format.
    auto up = [&](int64_t x) {
        return ((long double)(m - x) * (long double)(k - x)) /
               ((long double)(x + 1) * (long double)(s - m - k + x + 1));
    };
    int64_t mode = int64_t((long double)(m + 1) * (long double)(k + 1) / (long double)(s + 2));
    mode = std::clamp(mode, aMin, aMax);
    std::vector<long double> below, above;
    long double w = 1.0L;
    for (int64_t x = mode; x > aMin && w >= Negligible; --x) {
        w /= up(x - 1);
        below.push_back(w);
    }
    w = 1.0L;
    for (int64_t x = mode; x < aMax && w >= Negligible; ++x) {
        w *= up(x);
        above.push_back(w);
    }
    TWeightStretch stretch;
    stretch.lo = mode - int64_t(below.size());
    stretch.hi = mode + int64_t(above.size());
    stretch.w.reserve(below.size() + 1 + above.size());
    stretch.w.assign(below.rbegin(), below.rend());
    stretch.w.push_back(1.0L);
    stretch.w.insert(stretch.w.end(), above.begin(), above.end());
    // Each side summed from its far end, the small weights first.
    long double left = 0.0L, right = 0.0L;
    for (auto v = below.rbegin(); v != below.rend(); ++v)
        left += *v;
    for (auto v = above.rbegin(); v != above.rend(); ++v)
        right += *v;
    stretch.total = left + 1.0L + right;
    return stretch;
}

// The probability of the x in the stretch that keep accepts, a run from each
// end: the sets asked for (no more probable, no more central, no more
// extreme) hold both tails and leave out a middle stretch.
template <class K> long double Tails(const TWeightStretch &st, K keep)
{
    long double low = 0.0L, high = 0.0L;
    int64_t x = st.lo;
    for (; x <= st.hi && keep(x); ++x)
        low += st.w[size_t(x - st.lo)];
    for (int64_t y = st.hi; y >= x && keep(y); --y)
        high += st.w[size_t(y - st.lo)];
    return std::min(1.0L, (low + high) / st.total);
}

// The probabilities of a at psi = 1 from the weights where they matter.
void ProbabilitiesAtOne(const TWeightStretch &st, int64_t a, int64_t s, int64_t m, int64_t k,
                        TLargeTable &r)
{
    const long double here = st.At(a) / st.total;
    long double below = 0.0L, above = 0.0L; // P(X < a), P(X > a), each from its far end
    for (int64_t x = st.lo; x <= std::min(a - 1, st.hi); ++x)
        below += st.w[size_t(x - st.lo)];
    for (int64_t x = st.hi; x >= std::max(a + 1, st.lo); --x)
        above += st.w[size_t(x - st.lo)];
    below /= st.total;
    above /= st.total;
    r.point = here;
    r.left = std::min(1.0L, below + here);
    r.right = std::min(1.0L, above + here);

    TTableStatistics &stats = r.stats;
    stats.midPLeft = std::min(1.0L, below + here / 2.0L);
    stats.midPRight = std::min(1.0L, above + here / 2.0L);
    stats.midPTwoSided = std::min(1.0L, 2.0L * std::min(stats.midPLeft, stats.midPRight));
    // No more probable than a (a beyond the stretch: every such table is negligible).
    const long double limit = st.At(a) * TieFactor;
    stats.minLikelihood =
        limit > 0.0L ? Tails(st, [&](int64_t x) { return st.w[size_t(x - st.lo)] <= limit; })
                     : 0.0L;
    // At least as far from m*k/s as a: |x s - m k| >= |a s - m k|, in 64-bit integers.
    const int64_t farness = std::abs(a * s - m * k);
    r.twoSided = Tails(st, [&](int64_t x) { return std::abs(x * s - m * k) >= farness; });

    // Blaker's: gamma(x) = min(P(X <= x), P(X >= x)) no above gamma(a) (1 + 1e-7);
    // each run sums its own tail, the other one is 1 less the run so far.
    r.rules.centralP = std::min(1.0L, 2.0L * std::min(r.left, r.right));
    const long double gammaLimit = std::min(r.left, r.right) * TieFactor;
    long double low = 0.0L, high = 0.0L;
    int64_t x = st.lo;
    for (; x <= st.hi; ++x) {
        const long double p = st.w[size_t(x - st.lo)] / st.total;
        if (std::min(low + p, 1.0L - low) > gammaLimit)
            break;
        low += p;
    }
    for (int64_t y = st.hi; y >= x; --y) {
        const long double p = st.w[size_t(y - st.lo)] / st.total;
        if (std::min(high + p, 1.0L - high) > gammaLimit)
            break;
        high += p;
    }
    r.rules.blakerP = std::min(1.0L, low + high);
}

} // namespace

bool ComputeLargeTable(int32_t a, int32_t b, int32_t c, int32_t d, long double confLevel,
                       TLargeTable &result)
{
    if (a < 0 || b < 0 || c < 0 || d < 0)
        return false;
    const int64_t s = int64_t(a) + b + c + d;
    if (s < 1 || s > std::numeric_limits<int32_t>::max())
        return false;
    const int64_t m = int64_t(a) + b, k = int64_t(a) + c;
    const int64_t aMin = std::max<int64_t>(0, m + k - s), aMax = std::min(m, k);

    TLargeTable r;
    // The weights at psi = 1 are let go before the searches take theirs.
    ProbabilitiesAtOne(WeightsAtOne(s, m, k, aMin, aMax), a, s, m, k, r);
    TTableStatistics &stats = r.stats;
    TRuleIntervals &rules = r.rules;
    const double ad = double(a) * double(d), bc = double(b) * double(c);
    const TOddsRatio undefined{TOddsRatio::Undefined, std::nan("")};
    stats.sample = bc > 0.0   ? TOddsRatio{TOddsRatio::Finite, ad / bc}
                   : ad > 0.0 ? TOddsRatio{TOddsRatio::Infinite, HUGE_VAL}
                              : undefined;
    rules.minlikeP = stats.minLikelihood;
    rules.minlikeLow = rules.minlikeHigh = rules.blakerLow = rules.blakerHigh = undefined;

    const bool levelValid = confLevel > 0.0L && confLevel < 1.0L;
    if (aMin == aMax) {
        // One feasible table: every odds ratio is kept.
        stats.estimate = undefined;
        stats.lower = levelValid ? TOddsRatio{TOddsRatio::Finite, 0.0} : undefined;
        stats.upper = levelValid ? TOddsRatio{TOddsRatio::Infinite, HUGE_VAL} : undefined;
        rules.centralLow = stats.lower;
        rules.centralHigh = stats.upper;
        if (levelValid) {
            rules.minlikeLow = stats.lower;
            rules.minlikeHigh = stats.upper;
            if (1.0L - confLevel < 0.5L) {
                rules.blakerLow = stats.lower;
                rules.blakerHigh = stats.upper;
            }
        }
        result = r;
        return true;
    }
    // The odds-ratio searches on the feasible values about a where the weights
    // matter at every odds ratio searched. Those walks stop 12 standard
    // deviations of a from their peak, and the peaks stay within 6 of a
    // (beyond, P(X <= a) is below 1e-8): 24 and a margin leave out nothing.
    long double precision = 0.0L;
    for (const int32_t cell : {a, b, c, d})
        precision += 1.0L / (cell + 0.5L);
    const int64_t reach = int64_t(24.0L / std::sqrt(precision)) + 200;
    const int64_t first = std::max(aMin, a - reach), last = std::min(aMax, a + reach);
    const int32_t count = int32_t(last - first + 1);
    SearchOddsRatio(a, b, c, d, int32_t(first), count, confLevel, stats);
    rules.centralLow = stats.lower;
    rules.centralHigh = stats.upper;
    SearchRuleIntervals(a, b, c, d, int32_t(first), count, stats, confLevel, rules);
    result = r;
    return true;
}
