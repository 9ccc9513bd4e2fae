#include "core/Unconditional.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <vector>

namespace {

// Fisher's p of two tables counts as equal within this relative distance.
constexpr long double TieTolerance = 1e-7L;

// The tables of a rejection set, as runs low..high of x2 for each x1.
struct TRun {
    int32_t x1, low, high;
};

struct TRejectionSet {
    std::vector<TRun> runs;
    int32_t kMin = std::numeric_limits<int32_t>::max(), kMax = -1; // of x1 + x2
};

// The five sets, one bit each in the table of flags.
enum TSet { BoschlooLeft, BoschlooRight, BarnardLeft, BarnardRight, BarnardTwoSided, SetCount };

// Fisher's one-sided p of every table with first-column total k, P(X <= x)
// into left[x] and P(X >= x) into right[x] for x = low..high: the
// hypergeometric weights from the lowest x, which stay below C(m + n, k) <=
// 2^2000, summed from each end so that each tail keeps its relative digits.
void FisherTails(int32_t m, int32_t n, int32_t k, std::vector<long double> &weight,
                 std::vector<long double> &left, std::vector<long double> &right)
{
    const int32_t low = std::max(0, k - n), high = std::min(m, k);
    weight[low] = 1.0L;
    for (int32_t x = low; x < high; ++x)
        weight[x + 1] = weight[x] * (static_cast<long double>(m - x) * (k - x)) /
                        (static_cast<long double>(x + 1) * (n - k + x + 1));
    long double sum = 0.0L;
    for (int32_t x = low; x <= high; ++x)
        left[x] = sum += weight[x];
    long double fromRight = 0.0L;
    for (int32_t x = high; x >= low; --x)
        right[x] = fromRight += weight[x];
    for (int32_t x = low; x <= high; ++x) {
        left[x] /= sum;
        right[x] /= sum;
    }
}

void ClassifyBoschloo(int32_t m, int32_t n, int32_t a, int32_t c, std::vector<uint8_t> &flags)
{
    std::vector<long double> weight(size_t(m) + 1), left(size_t(m) + 1), right(size_t(m) + 1);
    FisherTails(m, n, a + c, weight, left, right);
    const long double leftLimit = left[a] * (1.0L + TieTolerance);
    const long double rightLimit = right[a] * (1.0L + TieTolerance);
    for (int32_t k = 0; k <= m + n; ++k) {
        FisherTails(m, n, k, weight, left, right);
        for (int32_t x1 = std::max(0, k - n); x1 <= std::min(m, k); ++x1) {
            uint8_t &f = flags[size_t(x1) * size_t(n + 1) + size_t(k - x1)];
            if (left[x1] <= leftLimit)
                f |= 1 << BoschlooLeft;
            if (right[x1] <= rightLimit)
                f |= 1 << BoschlooRight;
        }
    }
}

// T = (x1 n - x2 m) sqrt(m + n) / sqrt(m n k (m + n - k)) with k = x1 + x2, so
// with D = x1 n - x2 m and q = k (m + n - k) two statistics compare as
// sign(D) D^2 / q does, the common factor aside; q = 0 only where D = 0 too.
// |D| <= m n <= (N/2)^2 and q <= (N/2)^2 for the total N, so D^2 q stays
// within 64 bits.
static_assert(int64_t(MaxUnconditionalTotal / 2) * (MaxUnconditionalTotal / 2) *
                      (MaxUnconditionalTotal / 2) * (MaxUnconditionalTotal / 2) *
                      (MaxUnconditionalTotal / 2) <=
                  std::numeric_limits<int64_t>::max() / (MaxUnconditionalTotal / 2),
              "D^2 q must fit 64 bits");

int Sign(int64_t v)
{
    return (v > 0) - (v < 0);
}

void ClassifyBarnard(int32_t m, int32_t n, int32_t a, int32_t c, std::vector<uint8_t> &flags)
{
    const int64_t total = int64_t(m) + n;
    const int64_t d0 = int64_t(a) * n - int64_t(c) * m;
    const int64_t q0 = (a + c) * (total - (a + c));
    const int s0 = Sign(d0);
    for (int32_t x1 = 0; x1 <= m; ++x1) {
        for (int32_t x2 = 0; x2 <= n; ++x2) {
            const int64_t d = int64_t(x1) * n - int64_t(x2) * m;
            const int64_t k = int64_t(x1) + x2;
            const int64_t q = k * (total - k);
            const int s = Sign(d);
            // |T| against |T_obs|: D^2 q0 against D0^2 q.
            const int byMagnitude =
                s == 0 || s0 == 0 ? (s != 0) - (s0 != 0) : Sign(d * d * q0 - d0 * d0 * q);
            const int order = s != s0 ? (s > s0 ? 1 : -1) : s * byMagnitude;
            uint8_t &f = flags[size_t(x1) * size_t(n + 1) + size_t(x2)];
            if (order <= 0)
                f |= 1 << BarnardLeft;
            if (order >= 0)
                f |= 1 << BarnardRight;
            if (byMagnitude >= 0)
                f |= 1 << BarnardTwoSided;
        }
    }
}

// The tables flagged with the bit of set, or those not flagged when complement.
TRejectionSet CollectRuns(int32_t m, int32_t n, const std::vector<uint8_t> &flags, int set,
                          bool complement)
{
    TRejectionSet r;
    const uint8_t wanted = complement ? 0 : uint8_t(1 << set);
    for (int32_t x1 = 0; x1 <= m; ++x1) {
        const uint8_t *row = &flags[size_t(x1) * size_t(n + 1)];
        for (int32_t x2 = 0; x2 <= n; ++x2) {
            if ((row[x2] & (1 << set)) != wanted)
                continue;
            const int32_t low = x2;
            while (x2 < n && (row[x2 + 1] & (1 << set)) == wanted)
                ++x2;
            r.runs.push_back({x1, low, x2});
            r.kMin = std::min(r.kMin, x1 + low);
            r.kMax = std::max(r.kMax, x1 + x2);
        }
    }
    return r;
}

// Weights proportional to Bin(n, pi) at the log odds t = log(pi / (1 - pi)):
// 1 at the mode, each neighbour from the last by the ratio of successive
// terms, so none overflows; those below 1e-4900 of the mode (of no weight
// beside the mode's) are left 0 instead of crawling through subnormals.
// Each is within a few units in the last place times n.
class TBinomialWeights {
public:
    explicit TBinomialWeights(int32_t n) : m_n(n), m_up(size_t(n) + 1), m_down(size_t(n) + 1)
    {
        for (int32_t x = 0; x <= n; ++x) {
            m_up[x] = static_cast<long double>(n - x) / (x + 1);   // w(x + 1) / w(x) at t = 0
            m_down[x] = static_cast<long double>(x) / (n - x + 1); // w(x - 1) / w(x) at t = 0
        }
    }
    // Fills w[0..n]; returns their sum.
    long double Fill(long double t, std::vector<long double> &w) const
    {
        const long double ratio = std::exp(t); // pi / (1 - pi)
        const long double pi = t >= 0.0L ? 1.0L / (1.0L + 1.0L / ratio) : ratio / (1.0L + ratio);
        const int32_t mode = std::min<int32_t>(m_n, int32_t(std::floor((m_n + 1) * pi)));
        constexpr long double Negligible = 1e-4900L;
        const long double inverse = 1.0L / ratio;
        long double sum = w[mode] = 1.0L;
        int32_t x = mode;
        for (; x < m_n && w[x] > Negligible; ++x)
            sum += w[x + 1] = w[x] * m_up[x] * ratio;
        std::fill(w.begin() + x + 1, w.begin() + m_n + 1, 0.0L);
        for (x = mode; x > 0 && w[x] > Negligible; --x)
            sum += w[x - 1] = w[x] * m_down[x] * inverse;
        std::fill(w.begin(), w.begin() + x, 0.0L);
        return sum;
    }

private:
    int32_t m_n;
    std::vector<long double> m_up, m_down;
};

// The probability of a set of tables under Bin(m, pi) x Bin(n, pi) at the log
// odds t: the sum over x1 of P(x1) times its runs' probabilities of x2, each
// run taken from the prefix or the suffix sums, whichever is the smaller
// tail, so that no difference loses more than a few digits. With slope, also
// d/dt log P = E(x1 + x2 | set) - (m + n) pi. O(m + n + runs) per point.
class TSetProbability {
public:
    TSetProbability(int32_t m, int32_t n)
        : m_m(m), m_n(n), m_weights1(m), m_weights2(n), m_w1(size_t(m) + 1), m_w2(size_t(n) + 1),
          m_prefix(size_t(n) + 1), m_suffix(size_t(n) + 2), m_prefixX(size_t(n) + 1),
          m_suffixX(size_t(n) + 2)
    {
    }

    long double operator()(const TRejectionSet &set, long double t, long double *slope = nullptr)
    {
        const long double sum1 = m_weights1.Fill(t, m_w1);
        const long double sum2 = m_weights2.Fill(t, m_w2);
        Accumulate(m_prefix, m_suffix, false);
        if (slope)
            Accumulate(m_prefixX, m_suffixX, true);
        long double p = 0.0L, moment = 0.0L;
        for (const TRun &run : set.runs) {
            const bool fromLeft =
                run.low == 0 || (run.high != m_n && m_prefix[run.high] <= m_suffix[run.low]);
            const long double mass = Part(m_prefix, m_suffix, run, fromLeft);
            p += m_w1[run.x1] * mass;
            if (slope)
                moment +=
                    m_w1[run.x1] * (run.x1 * mass + Part(m_prefixX, m_suffixX, run, fromLeft));
        }
        if (slope) {
            const long double e = std::exp(-std::fabs(t));
            const long double pi = t >= 0.0L ? 1.0L / (1.0L + e) : e / (1.0L + e);
            *slope = p > 0.0L ? moment / p - (m_m + m_n) * pi : 0.0L;
        }
        return std::min(1.0L, p / sum1 / sum2);
    }

private:
    // Sums of w2(x), or of x w2(x), up to and from each x.
    void Accumulate(std::vector<long double> &prefix, std::vector<long double> &suffix, bool byX)
    {
        long double s = 0.0L;
        for (int32_t x = 0; x <= m_n; ++x)
            prefix[x] = s += byX ? x * m_w2[x] : m_w2[x];
        s = 0.0L;
        suffix[m_n + 1] = 0.0L;
        for (int32_t x = m_n; x >= 0; --x)
            suffix[x] = s += byX ? x * m_w2[x] : m_w2[x];
    }
    static long double Part(const std::vector<long double> &prefix,
                            const std::vector<long double> &suffix, const TRun &run, bool fromLeft)
    {
        if (fromLeft)
            return run.low == 0 ? prefix[run.high] : prefix[run.high] - prefix[run.low - 1];
        return suffix[run.low] - suffix[run.high + 1];
    }

    int32_t m_m, m_n;
    TBinomialWeights m_weights1, m_weights2;
    std::vector<long double> m_w1, m_w2, m_prefix, m_suffix, m_prefixX, m_suffixX;
};

long double Logit(long double pi)
{
    return std::log(pi / (1.0L - pi));
}

// log P where P underflowed: below log(1e-4900), far beneath any supremum
// (the observed table alone has a probability above 1e-700).
constexpr long double LogOfZero = -11300.0L;
// The relative accuracy of every supremum.
constexpr long double Tolerance = 1e-13L;
// A safety net for the searches, far above what any table needs.
constexpr int MaxEvaluations = 200000;

// The largest N pi (1 - pi) over tLow..tHigh: N/4 at t = 0.
long double Curvature(int32_t total, long double tLow, long double tHigh)
{
    const long double tNearest = tLow > 0.0L ? tLow : (tHigh < 0.0L ? tHigh : 0.0L);
    const long double e = std::exp(-std::fabs(tNearest));
    return total * e / ((1.0L + e) * (1.0L + e));
}

// The points of the starting grid, uniform in arcsin(sqrt(pi)) (where the
// binomial's spread is the same everywhere) from kMin/N to kMax/N in steps of
// about sqrt(0.04 / N): in log odds t.
std::vector<long double> StartingGrid(const TRejectionSet &set, int32_t total)
{
    const long double first = static_cast<long double>(set.kMin) / total;
    const long double last = static_cast<long double>(set.kMax) / total;
    const long double thetaFirst = std::asin(std::sqrt(first));
    const long double thetaLast = std::asin(std::sqrt(last));
    const int32_t count = std::max<int32_t>(
        1, int32_t(std::ceil((thetaLast - thetaFirst) / std::sqrt(0.04L / total))));
    std::vector<long double> grid{Logit(first)};
    for (int32_t i = 1; i < count; ++i) {
        const long double theta = thetaFirst + (thetaLast - thetaFirst) * i / count;
        grid.push_back(2.0L * std::log(std::tan(theta)));
    }
    if (set.kMax > set.kMin)
        grid.push_back(Logit(last));
    return grid;
}

// The supremum over pi of P(pi), the probability of the rejection set: a
// polynomial of degree N = m + n, the sum over k of c_k pi^k (1 - pi)^(N - k)
// with c_k >= 0.
//  - Each term rises while pi < k/N and falls after, so P rises up to kMin/N
//    and falls from kMax/N: the supremum lies between them, where the log
//    odds t stays within +-log N. A set holding (0, 0) or (m, n) has P(0) = 1
//    or P(1) = 1, its supremum 1.
//  - In t, log P = log(sum c_k e^(k t)) - N log(1 + e^t): the first term is
//    convex and the second's second derivative is N pi (1 - pi). So on an
//    interval of width h where N pi (1 - pi) <= c, log P lies below the chord
//    of its ends plus (c/2) h^2 s(1 - s), s the position along the interval:
//    a bound on what the interval may hold, true whatever the grid.
//  - Intervals whose bound exceeds the best value found by more than 1e-13
//    (in log) are halved, the highest bound first, until none is left: the
//    best value is then within 1e-13 relative of the supremum.
// On the starting grid the bound exceeds the chord by about 2 % at most, so
// most intervals are discarded at once and the halving works about the maxima.
long double SupremumByChords(const TRejectionSet &set, int32_t total, TSetProbability &prob,
                             const std::vector<long double> &grid,
                             const std::vector<long double> &onGrid)
{
    long double bestP = 0.0L, bestLog = LogOfZero;
    int evaluations = 0;
    auto logOf = [&](long double p) {
        if (p > bestP) {
            bestP = p;
            bestLog = std::log(p);
        }
        return p > 0.0L ? std::log(p) : LogOfZero;
    };
    auto evaluate = [&](long double t) {
        ++evaluations;
        return logOf(prob(set, t));
    };
    struct TInterval {
        long double bound, tLow, tHigh, logLow, logHigh;
        bool operator<(const TInterval &other) const { return bound < other.bound; }
    };
    auto bounded = [total](long double tLow, long double tHigh, long double logLow,
                           long double logHigh) {
        const long double h = tHigh - tLow;
        const long double spread = Curvature(total, tLow, tHigh) * h * h / 2.0L;
        const long double rise = logHigh - logLow;
        const long double bound =
            std::fabs(rise) >= spread
                ? std::max(logLow, logHigh)
                : logLow + (spread + rise) * (spread + rise) / (4.0L * spread);
        return TInterval{bound, tLow, tHigh, logLow, logHigh};
    };

    std::priority_queue<TInterval> queue;
    long double logPrevious = logOf(onGrid[0]);
    for (size_t i = 1; i < grid.size(); ++i) {
        const long double logHere = logOf(onGrid[i]);
        queue.push(bounded(grid[i - 1], grid[i], logPrevious, logHere));
        logPrevious = logHere;
    }
    while (!queue.empty() && evaluations < MaxEvaluations) {
        const TInterval top = queue.top();
        if (top.bound <= bestLog + Tolerance)
            break;
        queue.pop();
        const long double middle = (top.tLow + top.tHigh) / 2.0L;
        if (!(middle > top.tLow && middle < top.tHigh))
            continue; // as narrow as the numbers go
        const long double logMiddle = evaluate(middle);
        for (const TInterval &half : {bounded(top.tLow, middle, top.logLow, logMiddle),
                                      bounded(middle, top.tHigh, logMiddle, top.logHigh)})
            if (half.bound > bestLog + Tolerance)
                queue.push(half);
    }
    return bestP;
}

// The same supremum as 1 - the infimum of Q = 1 - P, the complement's
// probability, for a P near 1: there P may be flat to many digits over a wide
// stretch, which the chords resolve only with very many points, while Q is
// small and varies by a large part of itself. log Q is semi-convex as log P
// is, so it lies above the tangent of each end minus (c/2) (t - end)^2; the
// larger of the two is a lower bound of Q on the interval. The infimum is
// sought until Q's bound is within what leaves 1 - Q within 1e-13 relative.
long double SupremumByComplement(const TRejectionSet &complement, int32_t total,
                                 TSetProbability &prob, const std::vector<long double> &grid)
{
    long double bestQ = 1.0L, bestLog = 0.0L;
    int evaluations = 0;
    auto evaluate = [&](long double t, long double &slope) {
        ++evaluations;
        const long double q = prob(complement, t, &slope);
        if (q < bestQ) {
            bestQ = q;
            bestLog = q > 0.0L ? std::log(q) : LogOfZero;
        }
        return q > 0.0L ? std::log(q) : LogOfZero;
    };
    struct TInterval {
        long double bound, tLow, tHigh, logLow, logHigh, slopeLow, slopeHigh;
        bool operator<(const TInterval &other) const { return bound > other.bound; }
    };
    auto bounded = [total](long double tLow, long double tHigh, long double logLow,
                           long double logHigh, long double slopeLow, long double slopeHigh) {
        const long double c = Curvature(total, tLow, tHigh);
        long double bound = std::min(logLow, logHigh);
        // Where the two tangent parabolas cross (their difference is linear in t).
        auto fromLow = [&](long double t) {
            return logLow + slopeLow * (t - tLow) - c / 2.0L * (t - tLow) * (t - tLow);
        };
        auto fromHigh = [&](long double t) {
            return logHigh + slopeHigh * (t - tHigh) - c / 2.0L * (t - tHigh) * (t - tHigh);
        };
        const long double atLow = fromLow(tLow) - fromHigh(tLow);
        const long double atHigh = fromLow(tHigh) - fromHigh(tHigh);
        if ((atLow < 0.0L) != (atHigh < 0.0L)) {
            const long double t = tLow + (tHigh - tLow) * atLow / (atLow - atHigh);
            bound = std::min(bound, std::max(fromLow(t), fromHigh(t)));
        }
        return TInterval{bound, tLow, tHigh, logLow, logHigh, slopeLow, slopeHigh};
    };
    // 1 - Q within Tolerance relative: log Q within Tolerance (1 - Q) / Q.
    auto slack = [&] { return bestQ > 0.0L ? Tolerance * (1.0L - bestQ) / bestQ : 0.0L; };

    std::priority_queue<TInterval> queue;
    long double slopePrevious = 0.0L;
    long double logPrevious = evaluate(grid[0], slopePrevious);
    for (size_t i = 1; i < grid.size(); ++i) {
        long double slopeHere = 0.0L;
        const long double logHere = evaluate(grid[i], slopeHere);
        queue.push(bounded(grid[i - 1], grid[i], logPrevious, logHere, slopePrevious, slopeHere));
        logPrevious = logHere;
        slopePrevious = slopeHere;
    }
    while (!queue.empty() && evaluations < MaxEvaluations && bestQ > 0.0L) {
        const TInterval top = queue.top();
        if (top.bound >= bestLog - slack())
            break;
        queue.pop();
        const long double middle = (top.tLow + top.tHigh) / 2.0L;
        if (!(middle > top.tLow && middle < top.tHigh))
            continue;
        long double slopeMiddle = 0.0L;
        const long double logMiddle = evaluate(middle, slopeMiddle);
        for (const TInterval &half :
             {bounded(top.tLow, middle, top.logLow, logMiddle, top.slopeLow, slopeMiddle),
              bounded(middle, top.tHigh, logMiddle, top.logHigh, slopeMiddle, top.slopeHigh)})
            if (half.bound < bestLog - slack())
                queue.push(half);
    }
    return 1.0L - bestQ;
}

long double Supremum(const TRejectionSet &set, const TRejectionSet &complement, int32_t total,
                     TSetProbability &prob)
{
    if (set.runs.empty())
        return 0.0L;
    if (set.kMin == 0 || set.kMax == total || complement.runs.empty())
        return 1.0L;
    const std::vector<long double> grid = StartingGrid(set, total);
    std::vector<long double> onGrid;
    for (const long double t : grid)
        onGrid.push_back(prob(set, t));
    if (*std::max_element(onGrid.begin(), onGrid.end()) > 0.5L)
        return SupremumByComplement(complement, total, prob, grid);
    return SupremumByChords(set, total, prob, grid, onGrid);
}

} // namespace

int32_t ComputeUnconditionalTests(int32_t a, int32_t b, int32_t c, int32_t d,
                                  TUnconditionalTests &result)
{
    if (a < 0 || b < 0 || c < 0 || d < 0)
        return 1;
    if (int64_t(a) + b + c + d > MaxUnconditionalTotal)
        return 2;
    const int32_t m = a + b, n = c + d;
    TUnconditionalTests r;
    if (m == 0 || n == 0) {
        result = r;
        return 0;
    }
    std::vector<uint8_t> flags((size_t(m) + 1) * (size_t(n) + 1), 0);
    ClassifyBoschloo(m, n, a, c, flags);
    ClassifyBarnard(m, n, a, c, flags);
    TSetProbability prob(m, n);
    std::array<long double, SetCount> p;
    for (int set = 0; set < SetCount; ++set)
        p[set] = Supremum(CollectRuns(m, n, flags, set, false), CollectRuns(m, n, flags, set, true),
                          m + n, prob);
    r.boschlooLeft = p[BoschlooLeft];
    r.boschlooRight = p[BoschlooRight];
    r.boschlooTwoSided = std::min(1.0L, 2.0L * std::min(r.boschlooLeft, r.boschlooRight));
    r.barnardLeft = p[BarnardLeft];
    r.barnardRight = p[BarnardRight];
    r.barnardTwoSided = p[BarnardTwoSided];
    result = r;
    return 0;
}
