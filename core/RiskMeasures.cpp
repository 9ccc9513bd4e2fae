#include "core/RiskMeasures.h"

#include "core/NoncentralWeights.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TRiskValue Finite(double v)
{
    return {TRiskValue::Finite, v};
}
TRiskValue Infinite()
{
    return {TRiskValue::Infinite, HUGE_VAL};
}
TRiskValue Undefined()
{
    return {TRiskValue::Undefined, std::numeric_limits<double>::quiet_NaN()};
}

// The root of f in [low, high], where f <= 0 at low and f > 0 at high, by
// Newton's method from x: f(x, slope) gives the value and sets the slope. A
// step that leaves the bracket, or one not under half the step before last,
// is replaced by a bisection, so it always converges. It stops when the error
// left after a step, |f'' / 2f'| step^2 with f'' from the last two slopes, is
// below 1e-17 * max(1, |x|), or when the bracket is a few units of the last
// place wide.
template <class F> double SolveRising(F f, double low, double high, double x)
{
    double step = high - low, before = step;
    double lastX = 0.0, lastSlope = HUGE_VAL;
    for (int iteration = 0; iteration < 200; ++iteration) {
        double slope = 0.0;
        const double value = f(x, slope);
        if (value == 0.0)
            return x;
        const double scale = std::max(1.0, std::fabs(x));
        const double newton = -value / slope;
        const double curvature = std::fabs((slope - lastSlope) / ((x - lastX) * 2.0 * slope));
        if (value > 0.0)
            high = x;
        else
            low = x;
        if (std::fabs(newton) <= 1e-7 * scale && curvature * newton * newton <= 1e-17 * scale)
            return std::clamp(x + newton, low, high);
        double next = x + newton;
        if (!(next > low && next < high && 2.0 * std::fabs(newton) <= std::fabs(before)))
            next = low + (high - low) / 2.0;
        before = step;
        step = next - x;
        if (high - low <= 4e-16 * scale)
            return next;
        lastX = x;
        lastSlope = slope;
        x = next;
    }
    return x;
}

struct TScoreTable {
    double a, b, c, d, m, n, N, factor, z; // factor = N / (N - 1)

    // Variance of p1 - p2 at the restricted maximum-likelihood proportions with
    // their difference delta, and its derivative in delta.
    double DifferenceVariance(double delta, double &slope) const
    {
        // The likelihood is concave in q2 on [first, last], where both
        // proportions lie in [0, 1]: its maximum is an end where the score
        // points outwards, or else the one root of the score inside.
        const double first = std::max(0.0, -delta), last = std::min(1.0, 1.0 - delta);
        // The score and its derivatives in q2 and in delta; counts of 0 drop
        // their terms, and a count over a proportion of 0 is infinite.
        double inQ2 = 0.0, inDelta = 0.0;
        auto score = [&](double q2) {
            const double q1 = q2 + delta, r1 = (1.0 - delta) - q2, r2 = 1.0 - q2;
            const double t1 = a > 0.0 ? a / q1 : 0.0, u1 = b > 0.0 ? b / r1 : 0.0;
            const double t2 = c > 0.0 ? c / q2 : 0.0, u2 = d > 0.0 ? d / r2 : 0.0;
            inDelta = -(t1 / q1 + (b > 0.0 ? u1 / r1 : 0.0));
            inQ2 = inDelta - (c > 0.0 ? t2 / q2 : 0.0) - (d > 0.0 ? u2 / r2 : 0.0);
            return t1 - u1 + t2 - u2;
        };
        // At an end where a proportion with a positive count is 0 or 1 the
        // score is infinite, pointing inwards.
        const bool firstInward = delta < 0.0 ? a > 0.0 : c > 0.0;
        const bool lastInward = delta > 0.0 ? b > 0.0 : d > 0.0;
        double q2;
        bool inside = false;
        if (!firstInward && !(score(first) > 0.0)) {
            q2 = first;
        } else if (!lastInward && !(score(last) < 0.0)) {
            q2 = last;
        } else {
            inside = true;
            // The closed-form root of the score multiplied out into a cubic
            // (q^3 + l2 q^2 + l1 q + l0 after dividing by N) as the start, then
            // Newton's method on the score itself inside the bracket: the cubic
            // has a second root close by where a proportion nears 0 or 1 (at
            // an end when a count is 0), and loses digits there.
            const double inverse = 1.0 / N;
            const double l2 = ((m + 2.0 * n) * delta - N - a - c) * inverse;
            const double l1 = ((n * delta - N - 2.0 * c) * delta + a + c) * inverse;
            const double l0 = c * delta * (1.0 - delta) * inverse;
            const double h = l2 / 3.0;
            const double q = h * h * h - l1 * h / 2.0 + l0 / 2.0;
            const double r2 = std::max(0.0, h * h - l1 / 3.0);
            const double p = std::copysign(std::sqrt(r2), q);
            q2 = -h;
            if (p != 0.0) {
                const double cosine = std::clamp(q / (p * p * p), -1.0, 1.0);
                q2 += 2.0 * p * std::cos((3.14159265358979323846 + std::acos(cosine)) / 3.0);
            }
            double low = first, high = last;
            if (!(q2 > low && q2 < high))
                q2 = low + (high - low) / 2.0;
            for (int step = 0; step < 200; ++step) {
                const double value = score(q2);
                const double change = value / inQ2;
                // After a Newton step this small the error left is below the
                // rounding, relative to both proportions and their complements.
                if (std::fabs(change) <= 1e-9 * std::min(q2 - first, last - q2)) {
                    q2 = std::clamp(q2 - change, first, last);
                    break;
                }
                if (value > 0.0)
                    low = q2;
                else
                    high = q2;
                q2 -= change;
                if (!(q2 > low && q2 < high))
                    q2 = low + (high - low) / 2.0;
                if (high - low <= 1e-16 * std::min(q2 - first, last - q2))
                    break;
            }
        }
        // dq2/ddelta = -(dS/ddelta) / (dS/dq2) inside, from the last Newton
        // step's point; at an end the maximum moves with it: q2 = -delta
        // (q1 = 0) and q2 = 1 - delta (q1 = 1) follow delta, q2 = 0 or 1 stays put.
        double dq2;
        if (inside && q2 > first && q2 < last)
            dq2 = -inDelta / inQ2;
        else if (q2 == first)
            dq2 = delta < 0.0 ? -1.0 : 0.0;
        else
            dq2 = delta > 0.0 ? -1.0 : 0.0;
        const double q1 = std::clamp(q2 + delta, 0.0, 1.0), dq1 = 1.0 + dq2;
        slope = factor * ((1.0 - 2.0 * q1) * dq1 / m + (1.0 - 2.0 * q2) * dq2 / n);
        return factor * (q1 * (1.0 - q1) / m + q2 * (1.0 - q2) / n);
    }

    // The same for p1 / p2 = phi = e^t, with its derivative in phi. The
    // likelihood's quadratic in q2 has its two roots close together where
    // both proportions are near 1, so its discriminant is written as a sum of
    // two terms of one sign, with phi - 1 taken from t; above phi = 1 the
    // quadratic is divided by phi so that nothing overflows.
    double RatioVariance(double logPhi, double &slope, double &phi) const
    {
        // q2, and phi dq2/dphi from the quadratic's derivatives (at the smaller
        // root its derivative in q2 is minus the root of the discriminant).
        double q2, phiDq2;
        if (logPhi <= 0.0) {
            // phi - 1, from expm1 where it would cancel.
            double e;
            if (logPhi > -0.5) {
                e = std::expm1(logPhi);
                phi = 1.0 + e;
            } else {
                phi = std::exp(logPhi);
                e = phi - 1.0;
            }
            const double first = (m + c) * e + b + d;
            const double root = std::sqrt(std::max(0.0, first * first - 4.0 * (a + c) * d * e));
            q2 = 2.0 * (a + c) / (phi * (m + c) + a + n + root);
            phiDq2 = phi * (N * q2 - (m + c)) * q2 / root;
        } else {
            // 1 / phi and 1 - 1 / phi, the latter from expm1 where it would cancel.
            double inverse, w;
            if (logPhi < 0.5) {
                w = -std::expm1(-logPhi);
                inverse = 1.0 - w;
            } else {
                inverse = std::exp(-logPhi);
                w = 1.0 - inverse;
            }
            phi = 1.0 / inverse;
            const double first = (b - a - c) * w + (b + d) * inverse;
            const double root = std::sqrt(std::max(0.0, first * first + 4.0 * (a + c) * b * w));
            q2 = 2.0 * (a + c) * inverse / (m + c + (a + n) * inverse + root);
            phiDq2 = ((a + n) * q2 - (a + c)) * inverse / root;
        }
        if (!(q2 > 0.0 && q2 < 1.0)) {
            q2 = std::clamp(q2, 0.0, 1.0);
            phiDq2 = 0.0;
        }
        double q1 = phi * q2, dq1 = q2 + phiDq2;
        if (!(q1 > 0.0 && q1 < 1.0)) {
            q1 = std::clamp(q1, 0.0, 1.0);
            dq1 = 0.0;
        }
        // phi^2 q2 (1 - q2) written as phi q1 (1 - q2), which stays finite.
        slope = factor * ((1.0 - 2.0 * q1) * dq1 / m +
                          (2.0 * q1 * (1.0 - q2) + phi * (1.0 - 2.0 * q2) * phiDq2) / n);
        return factor * (q1 * (1.0 - q1) / m + phi * q1 * (1.0 - q2) / n);
    }
};

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
    // The estimates from the exact products, rounded once.
    const long double m = (long double)a + b, n = (long double)c + d;
    const long double rdExact = ((long double)a * n - (long double)c * m) / (m * n);
    const double rd = double(rdExact);
    r.rd = Finite(rd);
    r.rr = c > 0 ? Finite(double((a / m) / (c / n))) : a > 0 ? Infinite() : Undefined();
    r.nnt.value = rdExact != 0.0L ? Finite(double(1.0L / std::fabs(rdExact))) : Infinite();
    if (!(confLevel > 0.0L && confLevel < 1.0L))
        return r;
    // A batch asks for one level over and over: its quantile is kept.
    thread_local long double quantileLevel = -1.0L;
    thread_local double quantile = 0.0;
    if (confLevel != quantileLevel) {
        quantile = double(-NormalQuantileExact((1.0L - confLevel) / 2.0L));
        quantileLevel = confLevel;
    }
    const double z = quantile;
    // The bounds in double: the score equations' roots need nothing finer, and
    // their functions cost a fraction of the extended ones.
    const double N = double(m + n);
    const TScoreTable t{double(a), double(b), double(c),     double(d), double(m),
                        double(n), N,         N / (N - 1.0), z};
    const double p1 = double(a) / t.m, p2 = double(c) / t.n;
    // The variance at the estimate, or with half a count added to each cell
    // where that one vanishes: only the starting points use it.
    double v0 = t.factor * (p1 * (1.0 - p1) / t.m + p2 * (1.0 - p2) / t.n);
    if (!(v0 > 0.0)) {
        const double h1 = (a + 0.5) / (t.m + 1.0), h2 = (c + 0.5) / (t.n + 1.0);
        v0 = h1 * (1.0 - h1) / t.m + h2 * (1.0 - h2) / t.n;
    }
    const double halfWidth = z * std::sqrt(v0);

    // The difference's score equation (delta - rd) = z sqrt(V(delta)) above the
    // estimate and (rd - delta) = z sqrt(V(delta)) below it, the latter in
    // x = -delta; the start is the end with the variance held at the estimate.
    // At the estimate the difference is 0 even where the variance vanishes,
    // and at delta = +-1 the variance is 0. A proportion near 1 leaves its
    // complement only the absolute digits of a double, one near 0 keeps its
    // relative ones: with more successes than failures the two are swapped
    // (b a d c), which turns the difference and its interval round.
    const bool swapped = a + c > b + d;
    const TScoreTable u = swapped ? TScoreTable{t.b, t.a, t.d, t.c, t.m, t.n, N, t.factor, z} : t;
    const double estimate = swapped ? -rd : rd;
    auto above = [&](double delta, double &slope) {
        const double variance = u.DifferenceVariance(delta, slope), root = std::sqrt(variance);
        slope = 1.0 - z * slope / (2.0 * root);
        return (delta - estimate) - z * root;
    };
    auto below = [&](double x, double &slope) {
        const double variance = u.DifferenceVariance(-x, slope), root = std::sqrt(variance);
        slope = 1.0 + z * slope / (2.0 * root);
        return (estimate + x) - z * root;
    };
    auto start = [](double from, double guess) {
        return guess > from && guess < 1.0 ? guess : from + (1.0 - from) / 2.0;
    };
    const double upper =
        estimate >= 1.0 ? 1.0
                        : SolveRising(above, estimate, 1.0, start(estimate, estimate + halfWidth));
    const double lower = estimate <= -1.0 ? -1.0
                                          : -SolveRising(below, -estimate, 1.0,
                                                         start(-estimate, -estimate + halfWidth));
    const double low = swapped ? -upper : lower, high = swapped ? -lower : upper;
    r.rdLow = Finite(low);
    r.rdHigh = Finite(high);

    if (low > 0.0 || high < 0.0) {
        r.nnt.kind = TNumberNeeded::Bounded;
        r.nnt.low = Finite(1.0 / std::max(std::fabs(low), std::fabs(high)));
        r.nnt.high = Finite(1.0 / std::min(std::fabs(low), std::fabs(high)));
    } else if (low == 0.0 || high == 0.0) {
        r.nnt.kind = TNumberNeeded::Bounded;
        const double far = low == 0.0 ? high : low;
        r.nnt.low = far != 0.0 ? Finite(1.0 / std::fabs(far)) : Infinite();
        r.nnt.high = Infinite();
    } else {
        r.nnt.kind = TNumberNeeded::ThroughInfinity;
        r.nnt.low = Finite(1.0 / -low);
        r.nnt.high = Finite(1.0 / high);
    }

    // Both proportions 0: the ratio's statistic is 0/0 at every ratio.
    if (a == 0 && c == 0)
        return r;
    // The ratio's score (p1 - phi p2) / sqrt(V(phi)) against +-z in t = log phi,
    // outward from the estimate: u = -t for the lower end, u = t for the upper
    // one. Far out phi is e^700, still finite.
    constexpr double Limit = 700.0;
    auto score = [&](double u, int dir, double &slope) {
        double phi;
        const double variance = t.RatioVariance(dir * u, slope, phi);
        const double difference = dir * (phi * p2 - p1), root = std::sqrt(variance);
        if (difference == 0.0) {
            // At the estimate the statistic is 0, even where its variance vanishes.
            slope = std::numeric_limits<double>::quiet_NaN();
            return -z;
        }
        slope = phi * (p2 / root - difference * dir * slope / (2.0 * variance * root));
        return difference / root - z;
    };
    // The start: the end of the interval of log phi with the variance at the
    // estimate, with half a count added to each cell where a count is 0 or the
    // variance vanishes.
    const bool counts = a > 0 && c > 0 && (b > 0 || d > 0);
    const double ha = counts ? t.a : t.a + 0.5, hc = counts ? t.c : t.c + 0.5;
    const double hm = counts ? t.m : t.m + 0.5, hn = counts ? t.n : t.n + 0.5;
    const double guessCenter = std::log((ha / hm) / (hc / hn));
    const double guessWidth =
        z * std::sqrt(std::max(0.0, 1.0 / ha - 1.0 / hm + 1.0 / hc - 1.0 / hn));
    const double center = a == 0 ? -Limit : c == 0 ? Limit : std::log(double(r.rr.value));
    auto solve = [&](int dir) {
        auto f = [&](double u, double &slope) { return score(u, dir, slope); };
        const double inner = dir * center;
        const double start = dir * guessCenter + guessWidth;
        const double guess = std::min(start > inner ? start : inner + 1e-3, Limit - 1.0);
        return dir * SolveRising(f, inner, Limit, guess);
    };
    if (a == 0)
        r.rrLow = Finite(0.0);
    else
        r.rrLow = Finite(std::exp(solve(-1)));
    if (c == 0)
        r.rrHigh = Infinite();
    else
        r.rrHigh = Finite(std::exp(solve(1)));
    return r;
}
