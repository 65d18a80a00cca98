// The processor check behind the perform routines' choice of path: a few instructions of inline
// assembly per processor (the plug-in may include no processor header and call no library for it).
#include "isa.h"

#include "shared.h"

namespace VIBREL_NS {

namespace {

using vibrel_shared::load;
using vibrel_shared::store;

constexpr int kUnknown = -1;
int widest = kUnknown; // process-wide, relaxed: every thread that checks finds the same answer
int chosen = kUnknown;

#if defined(__x86_64__) || defined(__i386__)
struct CpuidRegs {
    unsigned a, b, c, d;
};

CpuidRegs cpuid(unsigned leaf, unsigned subleaf) {
    CpuidRegs r;
    __asm__ __volatile__("cpuid" : "=a"(r.a), "=b"(r.b), "=c"(r.c), "=d"(r.d) : "a"(leaf), "c"(subleaf));
    return r;
}

// Extended control register 0: which register states the system saves on a thread switch.
unsigned long long xcr0() {
    unsigned lo, hi;
    __asm__ __volatile__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0u));
    return ((unsigned long long)hi << 32) | lo;
}

constexpr unsigned kOsxsave = 1u << 27;       // cpuid 1, ecx: the system enabled xgetbv
constexpr unsigned kAvx = 1u << 28;           // cpuid 1, ecx
constexpr unsigned long long kYmmState = 0x6; // xcr0: SSE and upper YMM halves saved

int check_processor() {
#if defined(VIBREL_NO_AVX_PATH)
    return kPathTwoLanes; // a build for a tool that cannot run the AVX routines (CMake's VIBREL_AVX_PATH)
#endif
    const unsigned maxLeaf = cpuid(0, 0).a;
    if (maxLeaf < 1) return kPathTwoLanes;
    const unsigned ecx = cpuid(1, 0).c;
    // An AVX processor under a system that does not save the upper halves of the registers would
    // lose them on every thread switch: AVX only when both say so.
    if ((ecx & (kOsxsave | kAvx)) != (kOsxsave | kAvx) || (xcr0() & kYmmState) != kYmmState) return kPathTwoLanes;
    return kPathAvx;
}
#elif defined(__wasm__)
// WebAssembly's 128-bit SIMD, where the module was built with it (a browser without it refuses to load it).
int check_processor() {
#if defined(__wasm_simd128__)
    return kPathTwoLanes;
#else
    return kPathScalar;
#endif
}
#else
int check_processor() { return kPathTwoLanes; } // NEON on every arm64 processor; VFP pairs on armv7
#endif

} // namespace

int vibrel_widestPath() {
    int w = load(widest);
    if (w == kUnknown) {
        w = check_processor();
        store(widest, w);
    }
    return w;
}

void vibrel_defaultPath() {
#if defined(__wasm__)
    // In WebAssembly one sample at a time: the two SIMD128 lanes measured slower in Chromium's engine
    // (docs/performance.md), whose lanes are taken apart and put together again at every batch.
    if (load(chosen) == kUnknown) store(chosen, (int)kPathScalar);
#else
    if (load(chosen) == kUnknown) store(chosen, vibrel_widestPath());
#endif
}

int vibrel_choosePath(int path) {
    const int w = vibrel_widestPath();
    const int p = path > w ? w : path < kPathScalar ? (int)kPathScalar : path;
    store(chosen, p);
    return p;
}

int vibrel_chosenPath() {
    const int p = load(chosen);
    return p == kUnknown ? (int)kPathScalar : p;
}

const char *vibrel_pathName(int path) {
    switch (path) {
    case kPathScalar: return "scalar";
#if defined(__aarch64__)
    case kPathTwoLanes: return "neon";
#elif defined(__arm__)
    case kPathTwoLanes: return "vfp-pairs"; // NEON has no double lanes: pairs of VFP operations
#elif defined(__wasm__)
    case kPathTwoLanes: return "simd128";
#else
    case kPathTwoLanes: return "sse2";
#endif
    case kPathAvx: return "avx";
    default: return "unknown";
    }
}

} // namespace VIBREL_NS
