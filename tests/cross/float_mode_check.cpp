// The perform routines called by a host in a floating-point mode of its own: rounding toward zero, the
// invalid-operation exception unmasked (NaN period and gain samples make the routines compare with NaN),
// a status flag raised, and on 32-bit x86 the same in the x87 control word. Over the cases of
// tests/core/path_compare.h on every path: the default caller's bits, no trap (it would end the
// program), and after every call the caller's exact words. Exit status 1 otherwise. Plain C++: run
// natively, under qemu (aarch64) and under Wine (both Windows builds).
#include "float_mode.h"
#include "path_compare.h"

namespace {

using vibrel_fp::ControlWord;

#if defined(__aarch64__)
constexpr ControlWord kForeignBits = (3ull << 22) | (1ull << 8); // RMode toward zero, IOE
constexpr ControlWord kKeptBits = 0;
#else
constexpr ControlWord kForeignBits = (3u << 13) | 0x20u; // RC toward zero; the precision flag raised
constexpr ControlWord kKeptBits = ~0x80u;                // the invalid-operation mask cleared
#endif

struct Words {
    ControlWord control;
#if defined(__i386__)
    unsigned short x87;
#endif
};

Words read_words() {
#if defined(__i386__)
    return {vibrel_fp::read_control(), vibrel_fp::read_x87_control()};
#else
    return {vibrel_fp::read_control()};
#endif
}

void write_words(const Words &w) {
    vibrel_fp::write_control(w.control);
#if defined(__i386__)
    vibrel_fp::write_x87_control(w.x87);
#endif
}

bool same_bits(const std::vector<double> &a, const std::vector<double> &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool same(const Words &a, const Words &b) {
#if defined(__i386__)
    if (a.x87 != b.x87) return false;
#endif
    return a.control == b.control;
}

} // namespace

int main() {
    const Words home = read_words();
    Words foreign = home;
    foreign.control = (home.control & kKeptBits) | kForeignBits;
#if defined(__i386__)
    foreign.x87 = (unsigned short)((home.x87 & ~0x1u) | 0x0c00u); // invalid unmasked, toward zero
#endif
    write_words(foreign);
    foreign = read_words(); // as the processor keeps it (qemu may drop the trap enable)
    write_words(home);

    long calls = 0, wordsChanged = 0;
    auto as_foreign_caller = [&](paths::Routine routine, paths::t_vibrel *x, double **ins, double **outs, long n) {
        write_words(foreign);
        paths::call(routine, x, ins, outs, n);
        const Words after = read_words();
        write_words(home);
        calls++;
        if (!same(after, foreign)) wordsChanged++;
    };
    const std::vector<paths::Case> all = paths::cases(false);
    bool ok = true;
    for (int path = paths::kPathScalar; path <= paths::vibrel_widestPath(); path++) {
        long differing = 0;
        for (const paths::Case &c : all)
            if (!same_bits(paths::run(c, path), paths::run(c, path, as_foreign_caller))) differing++;
        std::printf("%s: %zu cases, %ld differ from the default caller's\n", paths::vibrel_pathName(path), all.size(),
                    differing);
        ok = ok && differing == 0;
    }
    std::printf("caller's words %#llx", (unsigned long long)foreign.control);
#if defined(__i386__)
    std::printf(" x87 %#x", foreign.x87);
#endif
    std::printf(": %ld calls, %ld handed back changed\n", calls, wordsChanged);
    return ok && wordsChanged == 0 && calls > 0 ? 0 : 1;
}
