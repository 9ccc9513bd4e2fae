#include "core/Fisher.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TFisherDistribution FisherDistribution;

namespace {

// A probability kept as mantissa * 2^exponent, so that the running products
// of large tables do not fall out of the extended range before they climb back
// into it. Scaling by powers of two is exact, so wherever the plain product
// stays normal the values are bit for bit those of the plain product.
struct TScaledProbability {
    long double mantissa = 1.0L;
    int exponent = 0;

    void Multiply(long double factor)
    {
        mantissa = factor * mantissa;
        // Keep the mantissa far from both ends of the extended range.
        constexpr int Step = 4096;
        constexpr long double Low = 0x1p-4096L, High = 0x1p+4096L;
        while (mantissa != 0.0L && mantissa < Low) {
            mantissa *= High; // exact: a power of two
            exponent -= Step;
        }
        while (mantissa > High) {
            mantissa *= Low;
            exponent += Step;
        }
    }
    // The value as an extended number; only values truly below the extended
    // range become 0.
    long double Value() const
    {
        // The exponent is a multiple of Step and never positive (a probability is at
        // most 1). Multiplying by an exact power of two rounds once, like ldexp.
        if (exponent >= -8192)
            return mantissa * PowerOfTwo(exponent);
        if (exponent < -24576)
            return 0.0L; // the mantissa is below 2^4097, so the value is below 2^-20479
        return (mantissa * 0x1p-8192L) * PowerOfTwo(exponent + 8192);
    }
    static long double PowerOfTwo(int e)
    {
        switch (e) {
        case 0: return 1.0L;
        case -4096: return 0x1p-4096L;
        case -8192: return 0x1p-8192L;
        case -12288: return 0x1p-12288L;
        default: return 0x1p-16384L; // exact, though below the normal range
        }
    }
};

int32_t Measure(int32_t a, int32_t b, int32_t c, int32_t d)
{
    return std::abs(a * d - b * c);
}

// The two-sided walk takes tables in order of decreasing |ad - bc|, from both
// tails inward; equal measures at the two ends are taken together. take(added,
// j, J) gets each step's probability and its tables (J == j for one table) and
// returns whether to go on.
template <class Take> void WalkTwoSided(const TFisherDistribution &r, Take take)
{
    int32_t j = 0, J = r.Count() - 1;
    int32_t aL = r.aMin, bL = r.bMax, cL = r.cMax, dL = r.dMin;
    int32_t aR = r.aMax, bR = r.bMin, cR = r.cMin, dR = r.dMax;
    int32_t DL = Measure(aL, bL, cL, dL);
    int32_t DR = Measure(aR, bR, cR, dR);
    while (J >= j) {
        if (j == J) {
            take(r.point.Get(j), j, j);
            return;
        }
        if (DL > DR) {
            if (!take(r.point.Get(j), j, j))
                return;
            ++j;
            DL = Measure(++aL, --bL, --cL, ++dL);
        } else if (DL < DR) {
            if (!take(r.point.Get(J), J, J))
                return;
            --J;
            DR = Measure(--aR, ++bR, ++cR, --dR);
        } else {
            if (!take(r.point.Get(j) + r.point.Get(J), j, J))
                return;
            ++j;
            --J;
            DL = Measure(++aL, --bL, --cL, ++dL);
            DR = Measure(--aR, ++bR, ++cR, --dR);
        }
    }
}

} // namespace

int32_t ComputeDistribution(TFisherDistribution &r, int32_t s, int32_t m, int32_t k)
{
    if (s < 1 || m < 0 || k < 0 || s < m || s < k)
        return 1;
    if (s > MaxGrandTotal)
        return 2;

    r.aMin = std::max(0, m + k - s);
    r.aMax = std::min(m, k);
    r.bMin = std::max(0, m - k);
    r.bMax = std::min(m, s - k);
    r.cMin = std::max(0, k - m);
    r.cMax = std::min(s - m, k);
    r.dMin = std::max(0, s - m - k);
    r.dMax = std::min(s - m, s - k);
    const int32_t n = r.aMax - r.aMin + 1;

    // P(A = aMin) as a product of ratios.
    TScaledProbability p;
    if (s >= m + k) {
        for (int32_t i = 0; i < m; ++i)
            p.Multiply((long double)(s - k - i) / (long double)(s - i));
    } else {
        for (int32_t i = 0; i < s - m; ++i)
            p.Multiply((long double)(k - i) / (long double)(s - i));
    }

    // P(a + 1) = P(a) (m - a)(k - a) / ((a + 1)(s - m - k + a + 1)).
    // The whole block at once: appending would copy the array at every 32 elements.
    r.point.Reset(n);
    for (int32_t a = r.aMin; a <= r.aMax; ++a) {
        r.point.Put(a - r.aMin, p.Value());
        const long double numerator = (long double)(m - a) * (long double)(k - a);
        const long double denominator = (long double)(a + 1) * (long double)(s - m - k + a + 1);
        p.Multiply(numerator / denominator);
    }

    const long double modeQuotient = (long double)(int64_t(m + 1) * (k + 1)) / (long double)(s + 2);
    r.mode = int32_t(modeQuotient);

    r.twoSided.Reset(n);
    r.leftCumulative.Reset(n);
    r.rightCumulative.Reset(n);

    // Each step rounds the running sum to double, as the designed report shows it.
    double S = 0.0;
    WalkTwoSided(r, [&](long double added, int32_t j, int32_t J) {
        S = double(added + (long double)S);
        r.twoSided.Put(j, S);
        r.twoSided.Put(J, S);
        return true;
    });

    long double cumulative = r.point.Get(0);
    r.leftCumulative.Put(0, cumulative);
    for (int32_t i = 1; i < n; ++i) {
        cumulative = cumulative + r.point.Get(i);
        r.leftCumulative.Put(i, cumulative);
    }
    // The right tail from its own end: 1 - left would cancel to noise there.
    cumulative = r.point.Get(n - 1);
    r.rightCumulative.Put(n - 1, cumulative);
    for (int32_t i = n - 2; i >= 0; --i) {
        cumulative = cumulative + r.point.Get(i);
        r.rightCumulative.Put(i, cumulative);
    }
    return 0;
}

long double TwoSidedExtended(const TFisherDistribution &dist, int32_t i)
{
    long double sum = 0.0L;
    WalkTwoSided(dist, [&](long double added, int32_t j, int32_t J) {
        sum = added + sum;
        return j != i && J != i;
    });
    // Rounding can carry the sum of all tables a little past 1.
    return std::min(sum, 1.0L);
}
