#include "core/Probability.h"

#include <cmath>
#include <limits>

namespace Probability {

double LogGamma(double x)
{
    int sign = 0;
    return lgamma_r(x, &sign);
}

namespace {

constexpr int MaxIterations = 500;
constexpr double Epsilon = 1e-15;
constexpr double Tiny = 1e-300;

// The regularised lower incomplete gamma P(a, x) by its power series, for
// x < a + 1 where it converges fast.
double LowerGammaSeries(double a, double x)
{
    double term = 1.0 / a;
    double sum = term;
    for (int n = 1; n < MaxIterations; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * Epsilon)
            break;
    }
    return sum * std::exp(-x + a * std::log(x) - LogGamma(a));
}

// The regularised upper incomplete gamma Q(a, x) by its continued fraction
// (modified Lentz), for x >= a + 1.
double UpperGammaFraction(double a, double x)
{
    double b = x + 1.0 - a;
    double c = 1.0 / Tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < MaxIterations; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = b + an / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < Epsilon)
            break;
    }
    return std::exp(-x + a * std::log(x) - LogGamma(a)) * h;
}

// The continued fraction of the regularised incomplete beta function.
double BetaFraction(double a, double b, double x)
{
    const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 - qab * x / qap;
    if (std::fabs(d) < Tiny)
        d = Tiny;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m < MaxIterations; ++m) {
        const int m2 = 2 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1.0 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < Epsilon)
            break;
    }
    return h;
}

// The regularised incomplete beta function I_x(a, b).
double RegularisedBeta(double a, double b, double x)
{
    if (x <= 0.0)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    const double front = std::exp(LogGamma(a + b) - LogGamma(a) - LogGamma(b)
                                  + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * BetaFraction(a, b, x) / a;
    return 1.0 - front * BetaFraction(b, a, 1.0 - x) / b;
}

} // namespace

double ChiSquareUpperTail(double x, int degrees)
{
    if (degrees < 1 || std::isnan(x))
        return std::numeric_limits<double>::quiet_NaN();
    if (x <= 0.0)
        return 1.0;
    const double a = degrees / 2.0, half = x / 2.0;
    if (half < a + 1.0)
        return 1.0 - LowerGammaSeries(a, half);
    return UpperGammaFraction(a, half);
}

double StudentTCdf(double t, int degrees)
{
    if (degrees < 1 || std::isnan(t))
        return std::numeric_limits<double>::quiet_NaN();
    const double v = degrees;
    const double tail = 0.5 * RegularisedBeta(v / 2.0, 0.5, v / (v + t * t));
    return t >= 0 ? 1.0 - tail : tail;
}

double StudentTQuantile(double p, int degrees)
{
    if (degrees < 1 || !(p > 0.0 && p < 1.0))
        return std::numeric_limits<double>::quiet_NaN();
    if (p == 0.5)
        return 0.0;
    // Bisection on the upper half: the distribution is symmetric, and the
    // cdf is monotone, so this cannot miss; 200 halvings reach the last bit.
    const double upper = p > 0.5 ? p : 1.0 - p;
    double lo = 0.0, hi = 1.0;
    while (StudentTCdf(hi, degrees) < upper && hi < 1e300)
        hi *= 2.0;
    for (int i = 0; i < 200 && hi - lo > 1e-14 * hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        (StudentTCdf(mid, degrees) < upper ? lo : hi) = mid;
    }
    const double t = 0.5 * (lo + hi);
    return p > 0.5 ? t : -t;
}

qint64 BinomialQuantile(qint64 n, double p, double q)
{
    if (n <= 0 || p <= 0.0)
        return 0;
    if (p >= 1.0)
        return n;
    // The probabilities summed from k = 0 up, each from its logarithm so
    // that thousands of trials neither overflow nor underflow.
    const double logP = std::log(p), logQ = std::log1p(-p), logN = LogGamma(double(n) + 1);
    double cumulative = 0;
    for (qint64 k = 0; k < n; ++k) {
        cumulative += std::exp(logN - LogGamma(double(k) + 1) - LogGamma(double(n - k) + 1)
                               + double(k) * logP + double(n - k) * logQ);
        if (cumulative >= q * (1 - 1e-12))
            return k;
    }
    return n;
}

} // namespace Probability
