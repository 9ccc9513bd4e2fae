#include "core/RiskMeasures.h"

#include "core/NoncentralWeights.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TRiskValue Finite(long double v)
{
    return {TRiskValue::Finite, double(v)};
}
TRiskValue Infinite()
{
    return {TRiskValue::Infinite, HUGE_VAL};
}
TRiskValue Undefined()
{
    return {TRiskValue::Undefined, std::numeric_limits<double>::quiet_NaN()};
}

// The root of f in [low, high] with f(low) <= 0 < f(high).
template <class F> long double SolveRising(F f, long double low, long double high)
{
    // f(low) = 0 is no root here: the statistic is 0 at the estimate even
    // where its variance vanishes. Weighting it as -f(high) makes the first
    // step a bisection, clear of the rounding right next to the estimate.
    const long double fLow = f(low), fHigh = f(high);
    return noncentral::SolveBracketed(f, low, fLow < 0.0L ? fLow : -fHigh, high, fHigh, 1e-16L);
}

// The same for f(delta) = (delta - estimate) - z sqrt(V(delta)) with low the
// estimate: -f(low) is the half-width of the interval with the variance held
// at the estimate, and that end, tried first, narrows the bracket to near the
// root for the cost of one evaluation.
template <class F> long double SolveFromEstimate(F f, long double low, long double high)
{
    const long double fLow = f(low);
    const long double guess = low - fLow;
    if (!(fLow < 0.0L && guess < high))
        return SolveRising(f, low, high);
    const long double fGuess = f(guess);
    if (fGuess > 0.0L)
        return noncentral::SolveBracketed(f, low, fLow, guess, fGuess, 1e-16L);
    return noncentral::SolveBracketed(f, guess, fGuess, high, f(high), 1e-16L);
}

struct TScoreTable {
    long double a, c, m, n, N, p1, p2, z;

    // Variance of p1 - p2 at the restricted maximum-likelihood proportions with
    // their difference delta (the closed-form root of the likelihood's cubic).
    long double DifferenceVariance(long double delta) const
    {
        const long double L3 = N, L2 = (m + 2.0L * n) * delta - N - a - c;
        const long double L1 = (n * delta - N - 2.0L * c) * delta + a + c;
        const long double L0 = c * delta * (1.0L - delta);
        const long double t = 3.0L * L3;
        const long double q =
            L2 * L2 * L2 / (t * t * t) - L1 * L2 / (6.0L * L3 * L3) + L0 / (2.0L * L3);
        const long double r2 = std::max(0.0L, L2 * L2 / (t * t) - L1 / t);
        const long double p = std::copysign(std::sqrt(r2), q);
        long double q2 = -L2 / t;
        if (p != 0.0L) {
            // The angle in double (the extended functions cost several times
            // more), then Newton on the cubic restores the extended digits.
            const double cosine = std::clamp(double(q / (p * p * p)), -1.0, 1.0);
            q2 += 2.0L * p * std::cos((3.14159265358979323846 + std::acos(cosine)) / 3.0);
            for (int step = 0; step < 2; ++step) {
                const long double value = ((L3 * q2 + L2) * q2 + L1) * q2 + L0;
                const long double slope = (3.0L * L3 * q2 + 2.0L * L2) * q2 + L1;
                const long double change = value / slope;
                // Near a double root the slope vanishes: keep the closed form there.
                if (!(std::fabs(change) < 1e-9L))
                    break;
                q2 -= change;
            }
        }
        q2 = std::clamp(q2, 0.0L, 1.0L);
        const long double q1 = std::clamp(q2 + delta, 0.0L, 1.0L);
        return (q1 * (1.0L - q1) / m + q2 * (1.0L - q2) / n) * N / (N - 1.0L);
    }
    // The same for p1 / p2 = phi (the root of the likelihood's quadratic,
    // written so that it does not cancel).
    long double RatioVariance(long double phi) const
    {
        const long double A = N * phi, B = -(m * phi + a + n + c * phi), C = a + c;
        const long double q2 = std::clamp(
            2.0L * C / (-B + std::sqrt(std::max(0.0L, B * B - 4.0L * A * C))), 0.0L, 1.0L);
        const long double q1 = std::clamp(phi * q2, 0.0L, 1.0L);
        return (q1 * (1.0L - q1) / m + phi * phi * q2 * (1.0L - q2) / n) * N / (N - 1.0L);
    }
};

// Walks t from start in steps that double, the first of them `step`, in the
// direction dir, until rises(t) > 0; then solves there, each value found on
// the way used again. Returns false when |t| passes limit first.
template <class F>
bool FindRoot(F rises, long double start, int dir, long double step, long double limit,
              long double &root)
{
    long double inside = start, fInside = 0.0L;
    bool known = false;
    for (;;) {
        const long double next = inside + dir * step;
        if (std::fabs(next) > limit)
            return false;
        const long double fNext = rises(next);
        if (fNext > 0.0L) {
            if (!known)
                fInside = rises(inside);
            // As in SolveRising: a value of 0 at the estimate is no root.
            const long double fLow = fInside < 0.0L ? fInside : -fNext;
            auto along = [&](long double t) { return rises(dir * t); };
            root = dir *
                   noncentral::SolveBracketed(along, dir * inside, fLow, dir * next, fNext, 1e-16L);
            return true;
        }
        inside = next;
        fInside = fNext;
        known = true;
        step *= 2.0L;
    }
}

} // namespace

long double NormalQuantileExact(long double p)
{
    if (!(p > 0.0L && p < 1.0L))
        return std::numeric_limits<long double>::quiet_NaN();
    const long double tail = std::min(p, 1.0L - p);
    // A rational start, then Newton on the upper tail Q(z) = erfc(z / sqrt 2) / 2.
    long double z = noncentral::NormalQuantile(double(tail));
    const long double root2 = 1.41421356237309504880168872420969808L;
    const long double root2pi = 2.50662827463100050241576528481104525L;
    for (int iteration = 0; iteration < 8; ++iteration) {
        const long double density = std::exp(-z * z / 2.0L) / root2pi;
        const long double step = (std::erfc(z / root2) / 2.0L - tail) / density;
        z += step;
        if (std::fabs(step) <= 1e-19L * std::max(1.0L, std::fabs(z)))
            break;
    }
    return p < 0.5L ? -z : z;
}

TRiskMeasures ComputeRiskMeasures(int32_t a, int32_t b, int32_t c, int32_t d, long double confLevel)
{
    TRiskMeasures r;
    r.rd = r.rdLow = r.rdHigh = r.rr = r.rrLow = r.rrHigh = Undefined();
    r.nnt.value = r.nnt.low = r.nnt.high = Undefined();
    if (a < 0 || b < 0 || c < 0 || d < 0 || a + b == 0 || c + d == 0)
        return r;
    const long double m = (long double)a + b, n = (long double)c + d;
    TScoreTable t{(long double)a, (long double)c, m, n, m + n, a / m, c / n, 0.0L};
    const long double rd = ((long double)a * n - (long double)c * m) / (m * n);
    r.rd = Finite(rd);
    r.rr = c > 0 ? Finite(t.p1 / t.p2) : a > 0 ? Infinite() : Undefined();
    r.nnt.value = rd != 0.0L ? Finite(1.0L / std::fabs(rd)) : Infinite();
    if (!(confLevel > 0.0L && confLevel < 1.0L))
        return r;
    // A batch asks for one level over and over: its quantile is kept.
    thread_local long double quantileLevel = -1.0L, quantile = 0.0L;
    if (confLevel != quantileLevel) {
        quantile = -NormalQuantileExact((1.0L - confLevel) / 2.0L);
        quantileLevel = confLevel;
    }
    t.z = quantile;

    // The difference's score statistic (rd - delta) / sqrt(V(delta)) against
    // +-z; at the estimate it is 0, at delta = +-1 the variance vanishes.
    auto above = [&](long double delta) {
        return (delta - rd) - t.z * std::sqrt(t.DifferenceVariance(delta));
    };
    auto below = [&](long double delta) {
        return (rd - delta) - t.z * std::sqrt(t.DifferenceVariance(delta));
    };
    const long double high = rd >= 1.0L ? 1.0L : SolveFromEstimate(above, rd, 1.0L);
    const long double low =
        rd <= -1.0L ? -1.0L
                    : -SolveFromEstimate([&](long double x) { return below(-x); }, -rd, 1.0L);
    r.rdLow = Finite(low);
    r.rdHigh = Finite(high);

    if (low > 0.0L || high < 0.0L) {
        r.nnt.kind = TNumberNeeded::Bounded;
        r.nnt.low = Finite(1.0L / std::max(std::fabs(low), std::fabs(high)));
        r.nnt.high = Finite(1.0L / std::min(std::fabs(low), std::fabs(high)));
    } else if (low == 0.0L || high == 0.0L) {
        r.nnt.kind = TNumberNeeded::Bounded;
        const long double far = low == 0.0L ? high : low;
        r.nnt.low = far != 0.0L ? Finite(1.0L / std::fabs(far)) : Infinite();
        r.nnt.high = Infinite();
    } else {
        r.nnt.kind = TNumberNeeded::ThroughInfinity;
        r.nnt.low = Finite(1.0L / -low);
        r.nnt.high = Finite(1.0L / high);
    }

    // Both proportions 0: the ratio's statistic is 0/0 at every ratio.
    if (a == 0 && c == 0)
        return r;
    // The ratio's statistic in t = log phi; far out phi is e^700, still finite.
    constexpr long double Limit = 700.0L;
    auto score = [&](long double logPhi) {
        const long double phi = std::exp(logPhi), difference = t.p1 - phi * t.p2;
        // At the estimate the statistic is 0, even where its variance vanishes.
        return difference != 0.0L ? difference / std::sqrt(t.RatioVariance(phi)) : 0.0L;
    };
    const long double center = a == 0 ? -Limit : c == 0 ? Limit : std::log(t.p1 / t.p2);
    long double root = 0.0L;
    // The first step: the half-width of the interval of log phi with the
    // variance at the estimate, near the root when both counts are positive.
    // (0 when b = d = 0: the walk then takes unit steps as elsewhere.)
    const long double width =
        a > 0 && c > 0 ? t.z * std::sqrt(1.0L / a - 1.0L / m + 1.0L / c - 1.0L / n) : 0.0L;
    const long double step = width > 1e-6L ? width : 1.0L;
    if (a == 0)
        r.rrLow = Finite(0.0L);
    else if (FindRoot([&](long double u) { return score(u) - t.z; }, center, -1, step, Limit, root))
        r.rrLow = Finite(std::exp(root));
    else
        r.rrLow = Finite(0.0L);
    if (c == 0)
        r.rrHigh = Infinite();
    else if (FindRoot([&](long double u) { return -score(u) - t.z; }, center, 1, step, Limit, root))
        r.rrHigh = Finite(std::exp(root));
    else
        r.rrHigh = Infinite();
    return r;
}
