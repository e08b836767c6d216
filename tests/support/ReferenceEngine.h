#pragma once

#include "core/SearchEngine.h"

// The straightforward search the product's engines are measured and tested
// against: every (combination, interval, mask) is walked on its own, in
// enumeration order. Same reports, same counter and same return value as the
// product's RunVexelSearch for every history and every settings record (only
// the moment a stop request is seen differs).
qint64 RunReferenceSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                          const std::atomic<bool> &stop);
