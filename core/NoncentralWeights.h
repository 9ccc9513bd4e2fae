#pragma once

// The noncentral weights of a 2x2 table and the solver shared by the
// statistics that search the odds ratio; internal to the core.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace noncentral {

// The noncentral weights P(x) psi^x of one table for any psi, walked from
// their peak outwards, so that no weight exceeds 1 and none is formed from a
// power of psi: psi^x overflows every floating type long before x = 10000.
// Real is the type of the weights: the statistics that must hold their digits
// through many steps take long double; the searches of the rules' intervals,
// whose walks stop at a cutoff far above double's range and whose answers
// need 1e-9, take double at half the cost of each step.
template <class Real = long double> class TNoncentralWeights {
public:
    // Index i stands for x = aMin + i, 0 <= i < n.
    TNoncentralWeights(int32_t s, int32_t m, int32_t k, int32_t aMin, int32_t n) : m_n(n)
    {
        // Small tables, the common case in a batch, keep their ratios on the stack.
        Real *ratios = m_local;
        if (n - 1 > SmallCount) {
            m_heap.resize(size_t(2) * size_t(n - 1));
            ratios = m_heap.data();
        }
        Real *up = ratios, *down = ratios + (n - 1);
        m_up = up;
        m_down = down;
        // w(x + 1) / w(x) at psi = 1, each exact in the numerator and denominator.
        for (int32_t i = 0; i + 1 < n; ++i) {
            const int32_t x = aMin + i;
            const long double numerator = (long double)(m - x) * (long double)(k - x);
            const long double denominator = (long double)(x + 1) * (long double)(s - m - k + x + 1);
            up[i] = Real(numerator / denominator);
            down[i] = Real(denominator / numerator);
        }
    }
    TNoncentralWeights(const TNoncentralWeights &) = delete;
    TNoncentralWeights &operator=(const TNoncentralWeights &) = delete;

    // Feeds sums.Add(i, w) with the weights at psi = e^theta relative to the
    // largest one, from the peak outwards on each side until one falls below
    // cutoff (that one included), after sums.Start(peak).
    template <class TSums> void Walk(long double theta, Real cutoff, TSums &sums) const
    {
        const Real psi = std::exp(Real(theta)), inverse = Real(1) / psi;
        const int32_t peak = Peak(psi);
        sums.Start(peak);
        sums.Add(peak, Real(1));
        Real w = 1;
        for (int32_t i = peak; i + 1 < m_n && w >= cutoff; ++i) {
            w *= m_up[i] * psi;
            sums.Add(i + 1, w);
        }
        w = 1;
        for (int32_t i = peak; i > 0 && w >= cutoff; --i) {
            w *= m_down[i - 1] * inverse;
            sums.Add(i - 1, w);
        }
    }

    // The stretch of weights one walk wrote, and their sum.
    struct TStretch {
        int32_t peak, low, high;
        Real total;
    };
    // The same walk, storing the weights in w[low..high] of an array of
    // Count() elements: the loops of a search that reads them many times.
    TStretch WalkInto(long double theta, Real cutoff, Real *w) const
    {
        const Real psi = std::exp(Real(theta)), inverse = Real(1) / psi;
        const int32_t peak = Peak(psi);
        w[peak] = 1;
        Real x = 1, above = 0, below = 0;
        int32_t i = peak;
        for (; i + 1 < m_n && x >= cutoff; ++i)
            above += w[i + 1] = x *= m_up[i] * psi;
        const int32_t high = i;
        x = 1;
        for (i = peak; i > 0 && x >= cutoff; --i)
            below += w[i - 1] = x *= m_down[i - 1] * inverse;
        return {peak, i, high, Real(1) + (above + below)};
    }

    // The index of the largest weight at psi = e^theta.
    int32_t PeakAt(long double theta) const { return Peak(std::exp(Real(theta))); }

    int32_t Count() const { return m_n; }
    // w(x + 1) / w(x) at psi = 1 for index i (x = aMin + i), 0 <= i < Count() - 1.
    Real Up(int32_t i) const { return m_up[i]; }

private:
    // The peak is the first x whose step up does not gain; the steps shrink as x grows.
    int32_t Peak(Real psi) const
    {
        int32_t low = 0, high = m_n - 1;
        while (low < high) {
            const int32_t middle = (low + high) / 2;
            if (m_up[middle] * psi <= Real(1))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    }

    static constexpr int32_t SmallCount = 160;
    int32_t m_n;
    Real m_local[2 * SmallCount];
    std::vector<Real> m_heap;
    const Real *m_up = nullptr, *m_down = nullptr;
};

// Weights below, at and above the observed index, with their distances from it.
template <class Real> struct TTailSums {
    int32_t at;
    Real below = 0, belowDistance = 0;
    Real here = 0;
    Real above = 0, aboveDistance = 0;

    void Start(int32_t) {}
    void Add(int32_t i, Real w)
    {
        if (i < at) {
            below += w;
            belowDistance += Real(at - i) * w;
        } else if (i > at) {
            above += w;
            aboveDistance += Real(i - at) * w;
        } else {
            here = w;
        }
    }
};

// The equations of the exact interval's ends in theta = log psi, each with its
// slope and increasing in theta: log(P(X >= a) / P(X < a)) - logit, zero where
// the upper tail P(X >= a) has log odds logit, and log(P(X > a) / P(X <= a)) +
// logit, zero where the lower tail P(X <= a) has log odds logit. Weights below
// cutoff of the largest are left out; a tail that holds none gives an infinity.
template <class Real>
long double UpperTailEquation(const TNoncentralWeights<Real> &weights, int32_t at,
                              long double cutoff, long double logit, long double theta,
                              long double &slope)
{
    TTailSums<Real> sums{at};
    weights.Walk(theta, Real(cutoff), sums);
    const Real upper = sums.here + sums.above;
    if (sums.below == 0)
        return HUGE_VALL;
    if (upper == 0)
        return -HUGE_VALL;
    slope = sums.aboveDistance / upper + sums.belowDistance / sums.below;
    return std::log(upper / sums.below) - logit;
}

template <class Real>
long double LowerTailEquation(const TNoncentralWeights<Real> &weights, int32_t at,
                              long double cutoff, long double logit, long double theta,
                              long double &slope)
{
    TTailSums<Real> sums{at};
    weights.Walk(theta, Real(cutoff), sums);
    const Real lower = sums.below + sums.here;
    if (lower == 0)
        return HUGE_VALL;
    if (sums.above == 0)
        return -HUGE_VALL;
    slope = sums.aboveDistance / sums.above + sums.belowDistance / lower;
    return std::log(sums.above / lower) + logit;
}

// Newton's method on an increasing function of the log odds ratio, inside a
// bracket that narrows at every evaluation; a step that leaves the bracket, or
// an evaluation too far out to give a slope, is replaced by bisection.
template <class F>
inline long double SolveIncreasing(F f, long double theta, long double low, long double high)
{
    theta = std::clamp(theta, low, high);
    for (int iteration = 0; iteration < 500; ++iteration) {
        long double slope = 0.0L;
        const long double h = f(theta, slope);
        if (h == 0.0L)
            return theta;
        if (h > 0.0L)
            high = theta;
        else
            low = theta;
        const bool slopeKnown = std::isfinite(h) && slope > 0.0L;
        long double next = theta - h / slope;
        // Quadratic convergence: the error left is far below the last step.
        if (slopeKnown && std::fabs(next - theta) < 1e-8L)
            return next;
        if (!slopeKnown || !(next > low && next < high))
            next = (low + high) / 2.0L;
        if (high - low < 1e-14L)
            return next;
        theta = next;
    }
    return theta;
}

// A root of f between low and high, where f(low) and f(high) differ in sign:
// false position with the Anderson-Bjorck weighting, and a bisection whenever
// two steps have not halved the bracket, so it always converges. Stops when
// the bracket is below tolerance * max(1, |low|).
template <class F>
inline long double SolveBracketed(F f, long double low, long double fLow, long double high,
                                  long double fHigh, long double tolerance)
{
    if (fLow == 0.0L)
        return low;
    if (fHigh == 0.0L)
        return high;
    const bool lowPositive = fLow > 0.0L;
    int side = 0; // the end that moved last: -1 low, 1 high
    long double width1 = HUGE_VALL, width2 = HUGE_VALL;
    for (int iteration = 0; iteration < 300; ++iteration) {
        const long double width = high - low;
        if (width <= tolerance * std::max(1.0L, std::fabs(low)))
            break;
        long double x = (low * fHigh - high * fLow) / (fHigh - fLow);
        if (width > width2 / 2.0L || !(x > low && x < high))
            x = (low + high) / 2.0L;
        width2 = width1;
        width1 = width;
        const long double fx = f(x);
        if (fx == 0.0L)
            return x;
        if ((fx > 0.0L) == lowPositive) {
            if (side == -1) {
                const long double scale = 1.0L - fx / fLow;
                fHigh *= scale > 0.0L ? scale : 0.5L;
            }
            low = x;
            fLow = fx;
            side = -1;
        } else {
            if (side == 1) {
                const long double scale = 1.0L - fx / fHigh;
                fLow *= scale > 0.0L ? scale : 0.5L;
            }
            high = x;
            fHigh = fx;
            side = 1;
        }
    }
    return (low + high) / 2.0L;
}

// Normal quantile for a tail probability p <= 1/2, to about 4.5e-4: only a
// starting point for the interval (Abramowitz and Stegun 26.2.23).
inline double NormalQuantile(double p)
{
    const double t = std::sqrt(-2.0 * std::log(p));
    return t - (2.515517 + t * (0.802853 + t * 0.010328)) /
                   (1.0 + t * (1.432788 + t * (0.189269 + t * 0.001308)));
}

} // namespace noncentral
