#pragma once

// The few distributions the program's honest statements rest on: how likely
// a count spread at least this uneven is from a fair draw, and how wide an
// interval must be when it is estimated from few units.
#include <QtGlobal>

namespace Probability {

// ln |Gamma(x)|. Unlike std::lgamma it writes no global sign, so threads
// may call it at once.
double LogGamma(double x);

// P(X >= x) for X chi-square distributed with `degrees` degrees of freedom
// (degrees >= 1): the p-value of a chi-square statistic x.
double ChiSquareUpperTail(double x, int degrees);

// P(T <= t) for T Student-t distributed with `degrees` degrees of freedom.
double StudentTCdf(double t, int degrees);

// The t with P(T <= t) = p (0 < p < 1); for example 2.776 for p = 0.975
// and 4 degrees of freedom. Tends to the normal quantile as degrees grow.
double StudentTQuantile(double p, int degrees);

// The smallest k with P(X <= k) >= q for X binomial with n trials of
// probability p (n >= 0, 0 <= p <= 1, 0 <= q <= 1).
qint64 BinomialQuantile(qint64 n, double p, double q);

} // namespace Probability
