#pragma once

// How often the backtest's 95 % interval covers the true hit rate: on random
// histories every forecast comes true one time in ten, so the interval
// should contain 10 % in 95 of 100 of them, however few draws are tested.
// Runs real backtests of `histories` random histories for several counts of
// tested draws and prints the coverage with the t quantile the program uses
// beside what the normal 1.96 would give, and how often the consensus rate
// stays within its binomial chance band. A report, not a timing.
void BenchCoverage(int histories, int threads);
