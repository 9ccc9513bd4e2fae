#include "core/Power.h"

#include "core/RiskMeasures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

const long double NaN = std::numeric_limits<long double>::quiet_NaN();

// A p this close above alpha is alpha itself, rounded.
constexpr long double LevelTolerance = 1e-12L;
// The binomial weights kept: terms below this share of the largest add less
// than 1e-25 to any power.
constexpr long double BinomialCutoff = 1e-30L;

// Probabilities of the values first .. first + size - 1, summing to 1; the
// values outside are negligible.
struct TWeights {
    int32_t first = 0;
    std::vector<long double> p;

    int32_t Last() const { return first + int32_t(p.size()) - 1; }
    long double At(int32_t x) const { return p[size_t(x - first)]; }
};

// Weights on lo .. hi grown outward from the mode by the ratio of neighbours,
// up(x) = w(x + 1) / w(x), while they stay above cutoff times the mode's:
// each step is one rounding, so no weight loses more than a few thousand
// ulps, and no factorial or power leaves the range. scratch is reused.
template <class Up>
void GrowFromMode(int32_t lo, int32_t hi, int32_t mode, long double cutoff, Up up, TWeights &w,
                  std::vector<long double> &scratch)
{
    scratch.resize(size_t(hi - lo + 1));
    long double *const at = scratch.data() - lo;
    at[mode] = 1.0L;
    int32_t first = mode, last = mode;
    for (long double v = 1.0L; first > lo;) {
        v /= up(first - 1);
        if (!(v >= cutoff))
            break;
        at[--first] = v;
    }
    for (long double v = 1.0L; last < hi;) {
        v *= up(last);
        if (!(v >= cutoff))
            break;
        at[++last] = v;
    }
    long double total = 0.0L;
    for (int32_t x = first; x <= last; ++x)
        total += at[x];
    const long double scale = 1.0L / total;
    w.first = first;
    w.p.resize(size_t(last - first + 1));
    for (int32_t x = first; x <= last; ++x)
        w.p[size_t(x - first)] = at[x] * scale;
}

TWeights Binomial(int32_t n, long double p)
{
    TWeights w;
    if (p <= 0.0L || p >= 1.0L) {
        w.first = p <= 0.0L ? 0 : n;
        w.p.assign(1, 1.0L);
        return w;
    }
    const long double odds = p / (1.0L - p);
    std::vector<long double> scratch;
    const int32_t mode = std::min(n, int32_t(std::floor((n + 1) * p)));
    GrowFromMode(
        0, n, mode, BinomialCutoff,
        [&](int32_t x) { return (long double)(n - x) / (long double)(x + 1) * odds; }, w, scratch);
    return w;
}

// The rejection region of the conditional test for one column total k: the
// a with a <= lower or a >= upper.
struct TRegion {
    int32_t lower, upper;
};

class TRegionFinder {
public:
    TRegionFinder(int32_t n1, int32_t n2, const TPowerTest &test)
        : m_n1(n1), m_s(n1 + n2), m_test(test), m_alpha(test.alpha * (1.0L + LevelTolerance)),
          // The hypergeometric weights left out (they fall off at least
          // geometrically beyond the mode) add about this to a tail: far below
          // alpha's tolerance.
          m_cutoff(1e-20L * test.alpha)
    {
    }

    TRegion Find(int32_t k)
    {
        const int32_t lo = std::max(0, k - (m_s - m_n1)), hi = std::min(m_n1, k);
        const int32_t m = m_n1, s = m_s;
        const int32_t mode = std::clamp(int32_t((int64_t(m + 1) * (k + 1)) / (s + 2)), lo, hi);
        GrowFromMode(
            lo, hi, mode, m_cutoff,
            [&](int32_t a) {
                return ((long double)(m - a) * (long double)(k - a)) /
                       ((long double)(a + 1) * (long double)(s - m - k + a + 1));
            },
            m_w, m_scratch);
        if (m_test.rule == TPowerRule::Velmar && m_test.criterion == TPowerCriterion::TwoSided)
            Balance(lo, hi, k);
        // Beyond the weights kept a tail is negligible: rejected on that side.
        const int32_t first = m_w.first, last = m_w.Last();
        switch (m_test.criterion) {
        case TPowerCriterion::Left: return {LeftBound(first - 1, m_alpha), hi + 1};
        case TPowerCriterion::Right: return {lo - 1, RightBound(last + 1, m_alpha)};
        case TPowerCriterion::TwoSided: break;
        }
        switch (m_test.rule) {
        case TPowerRule::Central:
            return {LeftBound(first - 1, m_alpha / 2.0L), RightBound(last + 1, m_alpha / 2.0L)};
        case TPowerRule::MinLikelihood: return MinLikelihood(first - 1, last + 1);
        case TPowerRule::Velmar: break;
        }
        return Velmar(k, first - 1, last + 1);
    }

private:
    int64_t Distance(int32_t a, int32_t k) const
    {
        return std::llabs(int64_t(a) * m_s - int64_t(m_n1) * k);
    }

    // Widens the shorter side of the weights kept until both ends lie as far
    // from m k / s as |ad - bc| measures it: every table left out then comes
    // before every table kept in the walk and its sum is negligible.
    void Balance(int32_t lo, int32_t hi, int32_t k)
    {
        const int32_t m = m_n1, s = m_s;
        std::vector<long double> below;
        int32_t first = m_w.first, last = m_w.Last();
        long double v = m_w.p.front();
        while (first > lo && Distance(first, k) < Distance(last, k)) {
            --first;
            v = v * ((long double)(first + 1) * (long double)(s - m - k + first + 1)) /
                ((long double)(m - first) * (long double)(k - first));
            below.push_back(v);
        }
        if (!below.empty())
            m_w.p.insert(m_w.p.begin(), below.rbegin(), below.rend());
        m_w.first = first;
        v = m_w.p.back();
        while (last < hi && Distance(last, k) < Distance(first, k)) {
            v = v * ((long double)(m - last) * (long double)(k - last)) /
                ((long double)(last + 1) * (long double)(s - m - k + last + 1));
            ++last;
            m_w.p.push_back(v);
        }
    }

    // The largest a whose P(A <= a) is at most level, from start (all below kept).
    int32_t LeftBound(int32_t start, long double level) const
    {
        int32_t bound = start;
        long double tail = 0.0L;
        for (int32_t a = m_w.first; a <= m_w.Last(); ++a) {
            tail += m_w.At(a);
            if (tail > level)
                break;
            bound = a;
        }
        return bound;
    }
    int32_t RightBound(int32_t start, long double level) const
    {
        int32_t bound = start;
        long double tail = 0.0L;
        for (int32_t a = m_w.Last(); a >= m_w.first; --a) {
            tail += m_w.At(a);
            if (tail > level)
                break;
            bound = a;
        }
        return bound;
    }

    // The tables taken from both ends in decreasing |ad - bc|, equal ones at
    // the two ends together, while the running sum stays within alpha. The
    // report rounds its sum to double at each step; here it stays extended,
    // which can only move a p that lies within rounding of alpha.
    TRegion Velmar(int32_t k, int32_t lower, int32_t upper) const
    {
        int32_t j = m_w.first, J = m_w.Last();
        long double sum = 0.0L;
        while (j <= J) {
            const int64_t dl = Distance(j, k), dr = Distance(J, k);
            if (j == J || dl > dr) {
                sum += m_w.At(j);
                if (sum > m_alpha)
                    break;
                lower = j++;
            } else if (dl < dr) {
                sum += m_w.At(J);
                if (sum > m_alpha)
                    break;
                upper = J--;
            } else {
                sum += m_w.At(j) + m_w.At(J);
                if (sum > m_alpha)
                    break;
                lower = j++;
                upper = J--;
            }
        }
        return {lower, upper};
    }

    // The least probable tables first, from whichever end holds the smaller
    // weight (the distribution is unimodal); each table's p is the sum of
    // every weight at most its own times 1 + 1e-7, so the rejected tables are
    // the first ones of this order.
    TRegion MinLikelihood(int32_t lower, int32_t upper)
    {
        m_order.clear();
        int32_t j = m_w.first, J = m_w.Last();
        while (j <= J) {
            if (m_w.At(j) <= m_w.At(J))
                m_order.push_back(j++);
            else
                m_order.push_back(J--);
        }
        const size_t n = m_order.size();
        size_t within = 0; // tables with weights up to the current one's times the tie factor
        long double sum = 0.0L;
        for (size_t t = 0; t < n; ++t) {
            const long double limit = m_w.At(m_order[t]) * (1.0L + 1e-7L);
            while (within < n && m_w.At(m_order[within]) <= limit)
                sum += m_w.At(m_order[within++]);
            if (sum > m_alpha)
                break;
            const int32_t a = m_order[t];
            if (a < j)
                lower = std::max(lower, a);
            else
                upper = std::min(upper, a);
        }
        return {lower, upper};
    }

    int32_t m_n1, m_s;
    TPowerTest m_test;
    long double m_alpha, m_cutoff;
    TWeights m_w;
    std::vector<long double> m_scratch;
    std::vector<int32_t> m_order;
};

bool ValidProportion(long double p)
{
    return p >= 0.0L && p <= 1.0L;
}

bool ValidGroup(int32_t n)
{
    return n >= 1 && n <= MaxPowerGroup;
}

bool ValidTest(const TPowerTest &test)
{
    return test.alpha > 0.0L && test.alpha < 1.0L;
}

} // namespace

long double ExactPower(long double p1, long double p2, int32_t n1, int32_t n2,
                       const TPowerTest &test)
{
    if (!ValidProportion(p1) || !ValidProportion(p2) || !ValidGroup(n1) || !ValidGroup(n2) ||
        !ValidTest(test))
        return NaN;
    const TWeights b1 = Binomial(n1, p1), b2 = Binomial(n2, p2);
    TRegionFinder regions(n1, n2, test);
    // A two-sided region leaves a band of a few standard deviations about the
    // mode: summing the band and taking it from 1 is several times quicker
    // than summing both tails (the weights kept sum to 1 within rounding).
    const bool band = test.criterion == TPowerCriterion::TwoSided;
    long double sum = 0.0L;
    for (int32_t k = b1.first + b2.first; k <= b1.Last() + b2.Last(); ++k) {
        // The a with both weights kept.
        const int32_t aLo = std::max(b1.first, k - b2.Last());
        const int32_t aHi = std::min(b1.Last(), k - b2.first);
        if (aLo > aHi)
            continue;
        const TRegion r = regions.Find(k);
        if (band) {
            for (int32_t a = std::max(aLo, r.lower + 1); a <= std::min(aHi, r.upper - 1); ++a)
                sum += b1.At(a) * b2.At(k - a);
            continue;
        }
        for (int32_t a = aLo; a <= std::min(aHi, r.lower); ++a)
            sum += b1.At(a) * b2.At(k - a);
        for (int32_t a = std::max({aLo, r.upper, r.lower + 1}); a <= aHi; ++a)
            sum += b1.At(a) * b2.At(k - a);
    }
    const long double power = band ? 1.0L - sum : sum;
    return std::clamp(power, 0.0L, 1.0L);
}

long double PooledProportion(long double p1, long double p2, int32_t n1, int32_t n2)
{
    return (n1 * p1 + n2 * p2) / (long double)(int64_t(n1) + n2);
}

long double ExactSizeAtPooled(long double p1, long double p2, int32_t n1, int32_t n2,
                              const TPowerTest &test)
{
    if (!ValidProportion(p1) || !ValidProportion(p2) || !ValidGroup(n1) || !ValidGroup(n2))
        return NaN;
    const long double q = std::clamp(PooledProportion(p1, p2, n1, n2), 0.0L, 1.0L);
    return ExactPower(q, q, n1, n2, test);
}

long double NormalApproxSampleSize(long double p1, long double p2, long double power,
                                   long double ratio, const TPowerTest &test)
{
    if (!ValidProportion(p1) || !ValidProportion(p2) || !ValidTest(test) || p1 == p2 ||
        !(power > 0.0L && power < 1.0L) || !(ratio > 0.0L && std::isfinite(ratio)))
        return NaN;
    if ((test.criterion == TPowerCriterion::Left && !(p1 < p2)) ||
        (test.criterion == TPowerCriterion::Right && !(p1 > p2)))
        return NaN;
    const long double side =
        test.criterion == TPowerCriterion::TwoSided ? test.alpha / 2.0L : test.alpha;
    const long double za = NormalQuantileExact(1.0L - side), zb = NormalQuantileExact(power);
    const long double q = (p1 + ratio * p2) / (1.0L + ratio);
    const long double root = za * std::sqrt(q * (1.0L - q) * (1.0L + 1.0L / ratio)) +
                             zb * std::sqrt(p1 * (1.0L - p1) + p2 * (1.0L - p2) / ratio);
    if (!(root > 0.0L))
        return NaN;
    return root * root / ((p1 - p2) * (p1 - p2));
}

int32_t GroupForRatio(long double ratio, int32_t n1)
{
    const long double n2 = ratio * n1;
    // Beyond any group taken; keeps the conversion defined.
    if (!(n2 < 1e9L))
        return std::numeric_limits<int32_t>::max();
    return int32_t(std::lround(n2));
}

TSampleSize ExactSampleSize(long double p1, long double p2, long double target, long double ratio,
                            const TPowerTest &test)
{
    TSampleSize r;
    if (!ValidProportion(p1) || !ValidProportion(p2) || !ValidTest(test) ||
        !(target > 0.0L && target < 1.0L) || !(ratio > 0.0L && std::isfinite(ratio)))
        return r;
    // The N1 whose both groups are in range.
    int32_t low = 1;
    while (low <= MaxPowerGroup && GroupForRatio(ratio, low) < 1)
        ++low;
    int32_t high = MaxPowerGroup;
    while (high >= low && GroupForRatio(ratio, high) > MaxPowerGroup)
        --high;
    if (low > high)
        return r;
    r.approx = NormalApproxSampleSize(p1, p2, target, ratio, test);

    std::vector<long double> known(size_t(high + 1), -1.0L);
    auto power = [&](int32_t n1) {
        long double &p = known[size_t(n1)];
        if (p < 0.0L)
            p = ExactPower(p1, p2, n1, GroupForRatio(ratio, n1), test);
        return p;
    };
    auto reaches = [&](int32_t n1) { return power(n1) >= target; };

    // A first N1 that reaches the target: doubling, then halving the step
    // between one that does not and one that does.
    int32_t below = low - 1, above = low;
    while (!reaches(above)) {
        below = above;
        if (above == high) {
            r.lastN1 = high;
            r.lastPower = power(high);
            return r;
        }
        above = int32_t(std::min<int64_t>(high, int64_t(above) * 2));
    }
    while (above - below > 1) {
        const int32_t middle = below + (above - below) / 2;
        (reaches(middle) ? above : below) = middle;
    }
    // The power saws: an earlier N1 may reach the target too. Every N1 below
    // is tried until 50 in a row fall short of it.
    int32_t first = above;
    for (int32_t n1 = above - 1, misses = 0; n1 >= low && misses < 50; --n1) {
        if (reaches(n1)) {
            first = n1;
            misses = 0;
        } else
            ++misses;
    }
    r.found = true;
    r.n1 = first;
    r.n2 = GroupForRatio(ratio, first);
    r.power = power(first);
    // From there up, the first N1 that starts 51 in a row at the target.
    int32_t run = 0, n1 = first;
    for (; n1 <= high; ++n1) {
        if (!reaches(n1)) {
            run = 0;
            continue;
        }
        if (run == 0)
            run = n1;
        if (n1 - run >= 50)
            break;
    }
    r.lastN1 = std::min(n1, high);
    r.lastPower = power(r.lastN1);
    if (run != 0) {
        r.stableFound = true;
        r.stableShort = r.lastN1 - run < 50;
        r.n1Stable = run;
        r.n2Stable = GroupForRatio(ratio, run);
    }
    return r;
}
