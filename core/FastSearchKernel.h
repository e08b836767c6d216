#pragma once

// The vector kernel of the search: its tables, its call and the choice of
// the instruction set it runs with. Internal to the search engine.

#include "core/FastSearch.h"

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace FastSearchImpl {

typedef unsigned char V64 __attribute__((vector_size(64)));

// A zero-filled, 64-byte aligned array of vectors (a std::vector of them is
// not reliably aligned).
class TVectors
{
public:
    void Assign(size_t count, unsigned char fill = 0)
    {
        const size_t bytes = std::max<size_t>(count, 1) * sizeof(V64);
        m_data.reset(static_cast<V64 *>(std::aligned_alloc(64, bytes)));
        if (!m_data)
            throw std::bad_alloc();
        std::memset(static_cast<void *>(m_data.get()), fill, bytes);
    }
    V64 *data() { return m_data.get(); }
    const V64 *data() const { return m_data.get(); }

private:
    struct Free
    {
        void operator()(V64 *p) const { std::free(p); }
    };
    std::unique_ptr<V64, Free> m_data;
};

// Steps tested in vector lanes before a line is walked (the kernel is built
// for 1 to 6); more steps cost a little per leaf and save the walks of lines
// that fail soon after.
constexpr int FilterSteps = 6;

struct TKernelTables
{
    int k = 0;            // points per line
    int steps = 0;        // walk steps held in lanes (1..FilterSteps)
    int blocks = 0;       // nibble vectors per step (128 lanes each)
    const V64 *byteTab = nullptr; // per candidate: steps * 2 * blocks vectors
    const V64 *leafTab = nullptr; // per candidate: steps * blocks vectors
    const V64 *root = nullptr;    // targets: steps * 2 * blocks vectors
    const int *limit = nullptr;   // per level: the last index worth entering
};

using THitFn = void (*)(void *context, const int *indices, int block, quint64 low, quint64 high);

struct TKernelCall
{
    const TKernelTables *tables = nullptr;
    const std::atomic<bool> *abort = nullptr;
    THitFn hit = nullptr;
    void *hitContext = nullptr;
    V64 *levels = nullptr;  // (k + 1) * steps * 2 * blocks vectors of scratch
    V64 *nibbles = nullptr; // steps * blocks vectors of scratch
    int *indices = nullptr; // k entries, the prefix filled in
    int prefixLength = 0;
    int first = 0;          // the range of the index after the prefix
    int last = -1;
};

using TKernelFn = void (*)(const TKernelCall &);

bool IsaSupported(TSearchIsa isa);
// The kernel for an instruction set; Auto picks the best the processor has,
// one it lacks falls back to the plain vector code.
TKernelFn KernelFor(TSearchIsa isa);

} // namespace FastSearchImpl
