// Flush-to-zero on the audio thread. A string left ringing decays into subnormal numbers, each of
// which costs the processor some hundred times a normal one, and with the default mode it never
// leaves them: a silent patch would take most of a core. With subnormal operands read as 0 and
// subnormal results written as 0 the string reaches exact silence instead. Every perform routine
// sets the mode for its own samples and hands the caller back its exact control word on return
// (hosts rely on finding their mode unchanged). One read and two writes of the control register per
// call, a few lines of inline assembly per processor: no header, no system or library call.
#pragma once

namespace vibrel_fp {

#if defined(__x86_64__) || defined(__i386__)
// MXCSR (SSE, the baseline of every x86 build): FTZ, bit 15, writes subnormal results as 0; DAZ,
// bit 6, reads subnormal operands as 0. Restoring the saved word restores the status flags too.
using ControlWord = unsigned int;
constexpr ControlWord kFlushToZero = (1u << 15) | (1u << 6);
constexpr ControlWord kModeBits = 0xffc0; // bits 6-15; bits 0-5 are the sticky exception flags
inline ControlWord read_control() {
    ControlWord c;
    __asm__ __volatile__("stmxcsr %0" : "=m"(c));
    return c;
}
inline void write_control(ControlWord c) { __asm__ __volatile__("ldmxcsr %0" : : "m"(c) : "memory"); }
#elif defined(__aarch64__)
// FPCR.FZ, bit 24: subnormal operands and results of single and double arithmetic are flushed to 0.
using ControlWord = unsigned long long;
constexpr ControlWord kFlushToZero = 1ull << 24;
constexpr ControlWord kModeBits = ~0ull; // FPCR holds no flags (they live in FPSR)
inline ControlWord read_control() {
    ControlWord c;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(c));
    return c;
}
inline void write_control(ControlWord c) { __asm__ __volatile__("msr fpcr, %0" : : "r"(c) : "memory"); }
#elif defined(__arm__)
// FPSCR (VFP, armv7 hard float): FZ, bit 24, flushes subnormal operands and results of single and
// double arithmetic to 0. As a fully defined mode for the perform routines' own samples that is
// FPSCR = 0x01000000: FZ alone, round to nearest (RMode, bits 22-23, 0), no trap enabled (bits 8-12
// and 15), no default NaN (DN, bit 25), no vector length or stride. Bits 0-4 and 7 are sticky
// exception flags, 28-31 the comparison flags; restoring the saved word restores them too.
using ControlWord = unsigned int;
constexpr ControlWord kFlushToZero = 1u << 24;
constexpr ControlWord kModeBits = 0x07ff9f00; // bits 8-12 and 15-26
inline ControlWord read_control() {
    ControlWord c;
    __asm__ __volatile__("vmrs %0, fpscr" : "=r"(c));
    return c;
}
inline void write_control(ControlWord c) { __asm__ __volatile__("vmsr fpscr, %0" : : "r"(c) : "memory"); }
#else
#error "no flush-to-zero control for this processor"
#endif

// Flush-to-zero for the lifetime of the guard, the caller's word restored on every way out. The
// "memory" clobbers keep the routine's loads after the switch and its stores before the restore.
class FlushToZero {
  public:
    FlushToZero() : saved_(read_control()) { write_control(saved_ | kFlushToZero); }
    ~FlushToZero() { write_control(saved_); }
    FlushToZero(const FlushToZero &) = delete;
    FlushToZero &operator=(const FlushToZero &) = delete;

  private:
    const ControlWord saved_;
};

} // namespace vibrel_fp
