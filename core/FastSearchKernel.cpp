// The kernel built once per instruction set, each in its own namespace and
// target pragma, and the choice between them.
#include "core/FastSearchKernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEXEL_X86 1
#endif

namespace FastSearchImpl {

namespace generic {
#define KERNEL_LEVEL 0
#include "core/FastSearchKernel.inc"
#undef KERNEL_LEVEL
} // namespace generic

#ifdef VEXEL_X86
// GCC takes a target pragma for everything that follows; clang ignores it
// and needs the target attached to each function instead.
#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
#define KERNEL_LEVEL 1
#include "core/FastSearchKernel.inc"
#undef KERNEL_LEVEL
} // namespace avx2
#ifdef __clang__
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#endif
namespace avx512 {
#define KERNEL_LEVEL 2
#include "core/FastSearchKernel.inc"
#undef KERNEL_LEVEL
} // namespace avx512
#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

bool IsaSupported(TSearchIsa isa)
{
    switch (isa) {
    case TSearchIsa::Auto:
    case TSearchIsa::Generic:
        return true;
#ifdef VEXEL_X86
    case TSearchIsa::Avx2:
        return __builtin_cpu_supports("avx2");
    case TSearchIsa::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif
    default:
        return false;
    }
}

TKernelFn KernelFor(TSearchIsa isa)
{
    if (isa == TSearchIsa::Auto)
        isa = IsaSupported(TSearchIsa::Avx512) ? TSearchIsa::Avx512
            : IsaSupported(TSearchIsa::Avx2)   ? TSearchIsa::Avx2
                                               : TSearchIsa::Generic;
    if (!IsaSupported(isa))
        isa = TSearchIsa::Generic;
    switch (isa) {
#ifdef VEXEL_X86
    case TSearchIsa::Avx512: return avx512::RunSubtree;
    case TSearchIsa::Avx2: return avx2::RunSubtree;
#endif
    default: return generic::RunSubtree;
    }
}

} // namespace FastSearchImpl

using namespace FastSearchImpl;

std::vector<TSearchIsa> SupportedSearchIsas()
{
    std::vector<TSearchIsa> isas;
    for (TSearchIsa isa : {TSearchIsa::Generic, TSearchIsa::Avx2, TSearchIsa::Avx512})
        if (IsaSupported(isa))
            isas.push_back(isa);
    return isas;
}

const char *SearchIsaName(TSearchIsa isa)
{
    switch (isa) {
    case TSearchIsa::Auto: return "auto";
    case TSearchIsa::Generic: return "generic";
    case TSearchIsa::Avx2: return "avx2";
    case TSearchIsa::Avx512: return "avx512";
    }
    return "?";
}
