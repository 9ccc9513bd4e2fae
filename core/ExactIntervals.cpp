#include "core/ExactIntervals.h"

#include "core/NoncentralWeights.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using noncentral::SolveBracketed;
using noncentral::SolveIncreasing;
// The searches walk the weights in double: see TNoncentralWeights.
using TWeights = noncentral::TNoncentralWeights<double>;

// Ties lost to rounding still count as "no more extreme", at every psi.
constexpr long double TieFactor = 1.0L + 1e-7L;
// On log psi: far below the 1e-9 relative promised for psi.
constexpr long double Tolerance = 1e-14L;

TOddsRatio FiniteRatio(long double theta)
{
    return {TOddsRatio::Finite, double(std::exp(theta))};
}
TOddsRatio UndefinedRatio()
{
    return {TOddsRatio::Undefined, std::numeric_limits<double>::quiet_NaN()};
}

// The weights of one psi relative to their peak over the stretch the walk
// reaches; those beyond it count as 0.
class TWeightsAt {
public:
    TWeightsAt(const TWeights &weights, long double cutoff)
        : m_weights(weights), m_cutoff(double(cutoff))
    {
        // Small tables, the common case in a batch, keep their weights and
        // tails on the stack.
        const size_t n = size_t(weights.Count());
        m_w = m_local;
        m_below = m_local + SmallCount;
        m_above = m_local + 2 * SmallCount;
        if (n > SmallCount) {
            m_heap.resize(n);
            m_w = m_heap.data();
        }
    }
    TWeightsAt(const TWeightsAt &) = delete;
    TWeightsAt &operator=(const TWeightsAt &) = delete;

    void Fill(long double theta)
    {
        if (theta == m_theta)
            return;
        m_theta = theta;
        // Every reader stays inside [low, high], which the walk sets anew:
        // the weights of an earlier psi outside it need no clearing.
        m_stretch = m_weights.WalkInto(theta, m_cutoff, m_w);
        m_tailsReady = false;
    }

    // P(X <= first + i) and P(X >= first + i) at the psi filled last.
    double Below(int32_t i)
    {
        Tails();
        return i < m_stretch.low ? 0.0 : m_below[std::min(i, m_stretch.high)] / m_stretch.total;
    }
    double Above(int32_t i)
    {
        Tails();
        return i > m_stretch.high ? 0.0 : m_above[std::max(i, m_stretch.low)] / m_stretch.total;
    }
    // The weight of x <= first + i (or x >= first + i) over the stretch, and its
    // first moment in indices; divided, the mean of X in that tail.
    struct TPart {
        double sum = 0.0, moment = 0.0;
    };
    TPart BelowPart(int32_t i) const
    {
        TPart part;
        for (int32_t j = m_stretch.low, end = std::min(i, m_stretch.high); j <= end; ++j) {
            part.sum += m_w[j];
            part.moment += double(j) * m_w[j];
        }
        return part;
    }
    TPart AbovePart(int32_t i) const
    {
        TPart part;
        for (int32_t j = m_stretch.high, end = std::max(i, m_stretch.low); j >= end; --j) {
            part.sum += m_w[j];
            part.moment += double(j) * m_w[j];
        }
        return part;
    }
    // P(X < first + l) + P(X > first + u), l <= u + 1, added afresh: cheaper
    // than all the tails when only two are wanted at each psi. The x no more probable
    // than a given one leave out only the stretch of the more probable ones
    // about the peak.
    double Outside(int32_t l, int32_t u) const
    {
        double sum = 0.0;
        for (int32_t j = m_stretch.low, end = std::min(l - 1, m_stretch.high); j <= end; ++j)
            sum += m_w[j];
        for (int32_t j = m_stretch.high, end = std::max(u + 1, std::max(l, m_stretch.low));
             j >= end; --j)
            sum += m_w[j];
        return sum / m_stretch.total;
    }

private:
    // Each tail summed from its end, the small weights first; only when asked for.
    void Tails()
    {
        if (m_tailsReady)
            return;
        // The tails of a large table take their arrays only when first asked for.
        const size_t n = size_t(m_weights.Count());
        if (n > SmallCount && m_tailHeap.empty()) {
            m_tailHeap.resize(2 * n);
            m_below = m_tailHeap.data();
            m_above = m_tailHeap.data() + n;
        }
        double sum = 0.0;
        for (int32_t i = m_stretch.low; i <= m_stretch.high; ++i)
            m_below[i] = sum += m_w[i];
        sum = 0.0;
        for (int32_t i = m_stretch.high; i >= m_stretch.low; --i)
            m_above[i] = sum += m_w[i];
        m_tailsReady = true;
    }

    static constexpr size_t SmallCount = 160;
    const TWeights &m_weights;
    double m_cutoff;
    double m_local[3 * SmallCount];
    std::vector<double> m_heap, m_tailHeap;
    double *m_w, *m_below, *m_above;
    long double m_theta = std::numeric_limits<long double>::quiet_NaN();
    TWeights::TStretch m_stretch{0, 0, 0, 1.0};
    bool m_tailsReady = false;
};

// The log psis where P_psi(X <= a) takes given values, each from the log odds
// of the tails by Newton's method started at the central bound (where it is
// alpha / 2): the walk there serves every value asked for.
class TLowerTailPoints {
public:
    // Weights below cutoff of the largest are left out: it must lie far below
    // every value asked for.
    TLowerTailPoints(const TWeights &weights, int32_t at, long double cutoff, long double central)
        : m_weights(weights), m_at(at), m_cutoff(cutoff), m_central(central)
    {
        m_centralOdds =
            noncentral::LowerTailEquation(weights, at, cutoff, 0.0L, central, m_centralSlope);
    }

    long double Solve(long double q) const
    {
        const long double logit = std::log(q) - std::log1p(-q);
        const long double bound = 60.0L - std::log(q);
        auto equation = [&](long double theta, long double &slope) {
            if (theta == m_central) {
                slope = m_centralSlope;
                return m_centralOdds + logit;
            }
            return noncentral::LowerTailEquation(m_weights, m_at, m_cutoff, logit, theta, slope);
        };
        return SolveIncreasing(equation, m_central, -bound, bound);
    }

    // A log psi at or beyond the one where P_psi(X <= a) = q, for q just below
    // alpha / 2: one Newton step from the central bound lands within the square
    // of its length, so a second such length is a safe margin.
    long double Beyond(long double q) const
    {
        const long double step = -(m_centralOdds + std::log(q) - std::log1p(-q)) / m_centralSlope;
        if (!(std::fabs(step) < 1e-6L))
            return Solve(q);
        return m_central + step + std::fabs(step) + 1e-12L;
    }

private:
    const TWeights &m_weights;
    int32_t m_at;
    long double m_cutoff, m_central;
    long double m_centralOdds, m_centralSlope = 0.0L;
};

// The rules' searches ask P(X <= a) for alpha / (2 + (1 + 1e-7) * above) at the
// least, where above is the number of feasible values beyond a: weights far
// below that are left out.
long double TailCutoff(long double alpha, int32_t above)
{
    return 1e-24L * alpha / (2.0L + (long double)above * TieFactor);
}

// The last log psi above the estimate that the "no more probable" rule keeps.
// x != a is no more probable than a exactly while (x - a) log psi <= log(1 + 1e-7)
// - log(P(x) / P(a)), so the rule's set changes only at the points solving that
// with equality. Between two of them p(psi) is one minus the probability of a
// fixed interval of x, which falls and then rises in psi; so a segment whose
// ends are both rejected is rejected throughout, and the scan from outside in
// only solves p = alpha inside the first segment with a kept end.
long double MinlikeUpperEnd(const TWeights &weights, int32_t at, long double alpha,
                            long double center, const TLowerTailPoints &tails)
{
    const int32_t n = weights.Count(), last = n - 1;
    // Beyond the point where P(X <= a) (1 + (last - a) * 1.0000001) = alpha the
    // rule rejects: every kept x above a weighs at most as much as a.
    const long double farTail = alpha / (2.0L + (long double)(last - at) * TieFactor);
    const long double far = tails.Solve(farTail);

    // Crossing points, from log(P(x) / P(a)) summed step by step from a.
    const long double tie = std::log1p(1e-7L);
    std::vector<long double> crossing(size_t(n), 0.0L);
    long double logRatio = 0.0L;
    for (int32_t i = at + 1; i < n; ++i) {
        // Double logs: their rounding moves a point by about 1e-14, far
        // below the 1e-9 promised for the bounds, at a fraction of the cost.
        logRatio += std::log(double(weights.Up(i - 1)));
        crossing[size_t(i)] = (tie - logRatio) / (long double)(i - at);
    }
    logRatio = 0.0L;
    for (int32_t i = at - 1; i >= 0; --i) {
        logRatio -= std::log(double(weights.Up(i)));
        crossing[size_t(i)] = (tie - logRatio) / (long double)(i - at);
    }
    // With a the smallest value p tends to 1 as psi falls: below every crossing
    // point every x is kept.
    if (at == 0)
        center = *std::min_element(crossing.begin() + 1, crossing.end()) - 1.0L;
    std::vector<long double> points;
    for (int32_t i = 0; i < n; ++i)
        if (i != at && crossing[size_t(i)] > center && crossing[size_t(i)] < far)
            points.push_back(crossing[size_t(i)]);
    std::sort(points.begin(), points.end(), std::greater<long double>());
    points.push_back(center);

    // The segments from outside in: ends[r + 1] .. ends[r].
    std::vector<long double> ends{far};
    ends.insert(ends.end(), points.begin(), points.end());
    TWeightsAt w(weights, 1e-24L * farTail), other(weights, 1e-24L * farTail);
    // The more probable stretch [l, u] at theta, which holds the peak; empty
    // (l = u + 1) when the peak itself is kept. A crossing point at theta
    // itself counts as kept.
    auto stretchAt = [&](long double theta, auto keep, int32_t &l, int32_t &u) {
        l = weights.PeakAt(theta);
        u = l - 1;
        if (keep(l))
            return;
        u = l;
        while (l > 0 && !keep(l - 1))
            --l;
        while (u < last && !keep(u + 1))
            ++u;
    };
    // Every psi from left to right rejected, with many segments between:
    // there the rule keeps no x above a that it does not keep at left, so
    // p <= P(X < l) + P(X > u) with [l, u] the stretch at left, a bound that
    // is largest at one of the two ends.
    auto rejectedThroughout = [&](long double left, long double right) {
        int32_t l, u;
        stretchAt(
            left,
            [&](int32_t i) {
                return i == at ||
                       (i > at ? left <= crossing[size_t(i)] : left >= crossing[size_t(i)]);
            },
            l, u);
        if (u < l || u < at)
            return false;
        other.Fill(left);
        if (other.Outside(l, u) > alpha)
            return false;
        w.Fill(right);
        return w.Outside(l, u) <= alpha;
    };
    // Small tables have few segments: each is looked at on its own.
    const size_t firstStride = ends.size() > 16 ? 2 : 1;
    size_t r = 0, stride = firstStride;
    while (r + 1 < ends.size()) {
        while (stride > 1) {
            const size_t j = std::min(r + stride, ends.size() - 1);
            if (j > r + 1 && rejectedThroughout(ends[j], ends[r])) {
                r = j;
                stride *= 2;
            } else {
                stride /= 2;
            }
        }
        if (r + 1 >= ends.size())
            break;
        const long double right = ends[r], left = ends[r + 1];
        const long double middle = (left + right) / 2.0L;
        auto keep = [&](int32_t i) {
            return i == at ||
                   (i > at ? middle <= crossing[size_t(i)] : middle >= crossing[size_t(i)]);
        };
        int32_t l, u;
        stretchAt(middle, keep, l, u);
        auto p = [&](long double theta) -> long double {
            w.Fill(theta);
            return w.Outside(l, u);
        };
        const long double pRight = p(right);
        if (pRight > alpha)
            return right;
        const long double pLeft = p(left);
        if (pLeft > alpha) {
            auto f = [&](long double theta) { return std::log(p(theta) / alpha); };
            return SolveBracketed(f, left, std::log(pLeft / alpha), right, std::log(pRight / alpha),
                                  Tolerance);
        }
        ++r;
        stride = firstStride;
    }
    return center; // the rule keeps the estimate itself: a is the mode there (or every x is kept)
}

// The last log psi that Blaker's rule keeps. Where P(X <= a) <= 1/2, gamma(a)
// is that tail and the rule's set is {x <= l} with {x >= u}: l the last x with
// P(X <= x) <= c P(X <= a), u the first with P(X >= x) <= c P(X <= a). Both
// ratios grow with psi, so going down in psi x = l + 1 and x = u - 1 join the set
// at the roots of their ratio = c, solved on a bracket; between two such points
// the scan is the one of the "no more probable" rule.
long double BlakerUpperEnd(const TWeights &weights, int32_t at, long double alpha,
                           const TLowerTailPoints &tails)
{
    const int32_t n = weights.Count();
    // p <= 2 c P(X <= a): beyond this psi the rule rejects.
    const long double farTail = alpha / (2.0L * TieFactor);
    const long double far = tails.Beyond(farTail);
    // p >= P(X <= a) > alpha up to here: the rule keeps it.
    const long double inner = tails.Solve(std::min(0.5L, 1.5L * alpha));

    TWeightsAt w(weights, 1e-24L * farTail);
    w.Fill(far);
    const long double lowerAt = w.Below(at);
    int32_t l = at, u = n;
    while (l + 1 < n && w.Below(l + 1) <= TieFactor * lowerAt)
        ++l;
    while (u - 1 > l && w.Above(u - 1) <= TieFactor * lowerAt)
        --u;

    // The log psi below which x joins through its lower (or upper) tail: the
    // root of the log of its tail over P(X <= a), less log(1 + 1e-7), which
    // rises with psi nearly in a straight line, so Newton's steps from the
    // segment's right end take two or three walks.
    auto join = [&](int32_t x, bool byLower, long double right) {
        auto g = [&](long double theta, long double &slope) -> long double {
            w.Fill(theta);
            const TWeightsAt::TPart tail = byLower ? w.BelowPart(x) : w.AbovePart(x);
            const TWeightsAt::TPart lower = w.BelowPart(at);
            if (lower.sum == 0.0)
                return HUGE_VALL;
            slope = tail.moment / tail.sum - lower.moment / lower.sum;
            return std::log(tail.sum / lower.sum) - std::log(TieFactor);
        };
        long double slope = 0.0L;
        const long double gRight = g(right, slope);
        if (!(gRight > 0.0L))
            return inner;
        long double start = right - gRight / slope;
        if (!(slope > 0.0L) || !std::isfinite(start))
            start = (inner + right) / 2.0L;
        if (start <= inner) {
            if (g(inner, slope) > 0.0L)
                return inner;
            start = inner;
        }
        return SolveIncreasing(g, start, inner, right);
    };
    long double right = far;
    int32_t lowerFor = -1, upperFor = -1;
    long double lowerJoin = inner, upperJoin = inner;
    for (;;) {
        auto p = [&](long double theta) -> long double {
            if (l + 1 >= u)
                return 1.0L;
            w.Fill(theta);
            return w.Outside(l + 1, u - 1);
        };
        const long double pRight = p(right);
        if (pRight > alpha)
            return right;
        // A join point depends only on its x: solved once per x.
        if (lowerFor != l + 1) {
            lowerFor = l + 1;
            lowerJoin = l + 1 < u ? join(l + 1, true, right) : inner;
        }
        if (upperFor != u - 1) {
            upperFor = u - 1;
            upperJoin = u - 1 > l ? join(u - 1, false, right) : inner;
        }
        const long double byLower = lowerJoin, byUpper = upperJoin;
        const long double left = std::max(byLower, byUpper);
        const long double pLeft = p(left);
        if (pLeft > alpha) {
            auto f = [&](long double theta) { return std::log(p(theta) / alpha); };
            return SolveBracketed(f, left, std::log(pLeft / alpha), right, std::log(pRight / alpha),
                                  Tolerance);
        }
        if (left <= inner)
            return inner;
        if (byLower == left)
            ++l;
        if (byUpper == left)
            --u;
        right = left;
    }
}

// Blaker's p at psi = 1 from the cumulative sums, each tail from its end.
long double BlakerP(const TFisherDistribution &dist, int32_t at)
{
    const int32_t n = dist.Count();
    auto gamma = [&](int32_t i) { return std::min(dist.leftCumulative.Get(i), dist.Right(i)); };
    const long double limit = gamma(at) * TieFactor;
    long double low = 0.0L, high = 0.0L;
    int32_t i = 0;
    for (; i < n && gamma(i) <= limit; ++i)
        low += dist.point.Get(i);
    for (int32_t j = n - 1; j >= i && gamma(j) <= limit; --j)
        high += dist.point.Get(j);
    return std::min(1.0L, low + high);
}

} // namespace

TRuleIntervals ComputeRuleIntervals(const TFisherDistribution &dist, int32_t a, int32_t b,
                                    int32_t c, int32_t d, long double confLevel)
{
    return ComputeRuleIntervals(dist, a, b, c, d,
                                ComputeTableStatistics(dist, a, b, c, d, confLevel), confLevel);
}

TRuleIntervals ComputeRuleIntervals(const TFisherDistribution &dist, int32_t a, int32_t b,
                                    int32_t c, int32_t d, const TTableStatistics &stats,
                                    long double confLevel)
{
    TRuleIntervals r;
    r.centralLow = stats.lower;
    r.centralHigh = stats.upper;
    r.minlikeP = stats.minLikelihood;
    r.minlikeLow = r.minlikeHigh = r.blakerLow = r.blakerHigh = UndefinedRatio();
    if (std::isnan(stats.minLikelihood)) {
        r.centralP = r.blakerP = std::numeric_limits<long double>::quiet_NaN();
        return r;
    }
    const int32_t n = dist.Count(), at = a - dist.aMin;
    r.centralP = std::min(1.0L, 2.0L * std::min(dist.leftCumulative.Get(at), dist.Right(at)));
    r.blakerP = BlakerP(dist, at);
    SearchRuleIntervals(a, b, c, d, dist.aMin, n, stats, confLevel, r);
    return r;
}

void SearchRuleIntervals(int32_t a, int32_t b, int32_t c, int32_t d, int32_t first, int32_t count,
                         const TTableStatistics &stats, long double confLevel, TRuleIntervals &r)
{
    if (!(confLevel > 0.0L && confLevel < 1.0L))
        return;
    const int32_t at = a - first, last = count - 1;
    const long double alpha = 1.0L - confLevel;
    const bool blakerDefined = alpha < 0.5L;
    // p tends to 1 as psi goes to 0 when a is the smallest value, to infinity
    // when it is the largest; a single feasible value keeps every psi.
    if (at == 0)
        r.minlikeLow = r.blakerLow = {TOddsRatio::Finite, 0.0};
    if (at == last)
        r.minlikeHigh = r.blakerHigh = {TOddsRatio::Infinite, HUGE_VAL};
    if (!blakerDefined)
        r.blakerLow = r.blakerHigh = UndefinedRatio();
    if (count == 1)
        return;

    const int32_t s = a + b + c + d, m = a + b, k = a + c;
    const long double center =
        stats.estimate.kind == TOddsRatio::Finite ? std::log((long double)stats.estimate.value) : 0;
    if (at < last) {
        const TWeights weights(s, m, k, first, count);
        // The central bound, where P(X <= a) = alpha / 2, starts each tail search.
        const TLowerTailPoints tails(weights, at, TailCutoff(alpha, last - at),
                                     std::log((long double)stats.upper.value));
        r.minlikeHigh = FiniteRatio(MinlikeUpperEnd(weights, at, alpha, center, tails));
        if (blakerDefined)
            r.blakerHigh = FiniteRatio(BlakerUpperEnd(weights, at, alpha, tails));
    }
    if (at > 0) {
        // The lower end is the upper one of the table with its columns swapped,
        // whose x is m - a and whose odds ratio is 1 / psi.
        const TWeights mirrored(s, m, s - k, m - (first + last), count);
        const TLowerTailPoints tails(mirrored, last - at, TailCutoff(alpha, at),
                                     -std::log((long double)stats.lower.value));
        r.minlikeLow = FiniteRatio(-MinlikeUpperEnd(mirrored, last - at, alpha, -center, tails));
        if (blakerDefined)
            r.blakerLow = FiniteRatio(-BlakerUpperEnd(mirrored, last - at, alpha, tails));
    }
}
