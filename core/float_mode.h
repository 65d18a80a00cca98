// The floating-point mode of the audio thread. A string left ringing decays into subnormal numbers, each
// of which costs the processor some hundred times a normal one, and with the default mode it never
// leaves them: a silent patch would take most of a core. With subnormal operands read as 0 and
// subnormal results written as 0 the string reaches exact silence instead. The host's own mode is no
// guide: another rounding mode would change every sample, and an unmasked invalid-operation exception
// would trap on the routines' own comparisons with NaN. So every perform routine runs under one mode
// of its own, whatever the caller's (round to nearest, every exception masked, flush-to-zero), and
// hands the caller back its exact control word on return (hosts rely on finding their mode unchanged).
// One read and two writes of the control register per call, a few lines of inline assembly per
// processor: no header, no system or library call.
#pragma once

namespace vibrel_fp {

#if defined(__x86_64__) || defined(__i386__)
// MXCSR (SSE, the baseline of every x86 build): FTZ, bit 15, writes subnormal results as 0; DAZ,
// bit 6, reads subnormal operands as 0. Restoring the saved word restores the status flags too.
using ControlWord = unsigned int;
constexpr ControlWord kFlushToZero = (1u << 15) | (1u << 6);
constexpr ControlWord kModeBits = 0xffc0; // bits 6-15; bits 0-5 are the sticky exception flags
// The routines' mode: FTZ and DAZ, rounding (bits 13-14) to nearest, the six exception masks (bits
// 7-12) set, no flag raised.
constexpr ControlWord kAudioMode = kFlushToZero | 0x1f80u;
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
// The routines' mode: FZ alone, so rounding (RMode) to nearest, no trap enabled, no default NaN, no
// alternative half precision.
constexpr ControlWord kAudioMode = kFlushToZero;
inline ControlWord read_control() {
    ControlWord c;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(c));
    return c;
}
inline void write_control(ControlWord c) { __asm__ __volatile__("msr fpcr, %0" : : "r"(c) : "memory"); }
#elif defined(__arm__)
// FPSCR (VFP, armv7 hard float): FZ, bit 24, flushes subnormal operands and results of single and
// double arithmetic to 0. Bits 0-4 and 7 are sticky exception flags, 28-31 the comparison flags;
// restoring the saved word restores them too.
using ControlWord = unsigned int;
constexpr ControlWord kFlushToZero = 1u << 24;
constexpr ControlWord kModeBits = 0x07ff9f00; // bits 8-12 and 15-26
// The routines' mode: FZ alone, so rounding (RMode, bits 22-23) to nearest, no trap enabled (bits
// 8-12 and 15), no default NaN (DN, bit 25), no vector length or stride.
constexpr ControlWord kAudioMode = kFlushToZero;
inline ControlWord read_control() {
    ControlWord c;
    __asm__ __volatile__("vmrs %0, fpscr" : "=r"(c));
    return c;
}
inline void write_control(ControlWord c) { __asm__ __volatile__("vmsr fpscr, %0" : : "r"(c) : "memory"); }
#elif defined(__wasm__)
// WebAssembly rounds to nearest, traps on no floating-point operation and has no flush-to-zero mode:
// the loop flushes its own results (flushed.h), and there is no word to save or restore.
#define VIBREL_NO_CONTROL_WORD 1
#else
#error "no flush-to-zero control for this processor"
#endif

#if defined(__i386__)
// 32-bit x86 returns the library's doubles in the x87 unit, and Windows' runtime library may compute
// them there: its control word counts too. The routines' x87 mode is the system default of Windows:
// 53-bit precision, rounding to nearest, every exception masked.
constexpr unsigned short kX87AudioMode = 0x027f;
inline unsigned short read_x87_control() {
    unsigned short c;
    __asm__ __volatile__("fnstcw %0" : "=m"(c));
    return c;
}
inline void write_x87_control(unsigned short c) { __asm__ __volatile__("fldcw %0" : : "m"(c) : "memory"); }
#endif

// The routines' mode for the lifetime of the guard, the caller's words restored on every way out. The
// "memory" clobbers keep the routine's loads after the switch and its stores before the restore.
#if defined(VIBREL_NO_CONTROL_WORD)
class AudioMode {
  public:
    AudioMode() {}
    AudioMode(const AudioMode &) = delete;
    AudioMode &operator=(const AudioMode &) = delete;
};
#else
class AudioMode {
  public:
    AudioMode() : saved_(read_control()) {
        write_control(kAudioMode);
#if defined(__i386__)
        write_x87_control(kX87AudioMode);
#endif
    }
    ~AudioMode() {
#if defined(__i386__)
        write_x87_control(savedX87_);
#endif
        write_control(saved_);
    }
    AudioMode(const AudioMode &) = delete;
    AudioMode &operator=(const AudioMode &) = delete;

  private:
    const ControlWord saved_;
#if defined(__i386__)
    const unsigned short savedX87_ = read_x87_control();
#endif
};
#endif

} // namespace vibrel_fp
