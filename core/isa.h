// Which vector instructions the perform routines use. Every path computes the same bits: it only
// changes how many samples share an instruction. Checked once per process on the processor (and on
// whether the system saves the wide registers); tests and benchmarks may ask for a narrower path.
#pragma once

#include "variant.h"

namespace VIBREL_NS {

enum VibrelPath : int {
    kPathScalar = 0,   // one sample at a time
    kPathTwoLanes = 1, // two samples per instruction: SSE2 on x86, NEON on arm64 (every build has it)
    kPathAvx = 2,      // four samples per instruction (x86 with AVX)
    kPathWidest = kPathAvx,
};

// Widest path this processor supports; the processor is checked the first time. Any thread.
int vibrel_widestPath();

// The widest path (in WebAssembly one sample at a time, which is faster there), unless one was chosen
// already: made by vibrel_init for every new object, so the check runs at the first creation and never
// in a perform routine.
void vibrel_defaultPath();

// Tests and benchmarks: the path from the next vector on, lowered to vibrel_widestPath() when wider
// (and raised to kPathScalar when below). Returns the path now taken. Not reachable from the host.
int vibrel_choosePath(int path);

// Audio thread, once per vector: the path to take (kPathScalar while none was chosen).
int vibrel_chosenPath();

// "scalar", "sse2" / "neon", "avx".
const char *vibrel_pathName(int path);

} // namespace VIBREL_NS
