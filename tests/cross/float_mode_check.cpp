// The perform routines called by a host in a floating-point mode of its own: rounding toward zero, the
// invalid-operation exception unmasked (NaN period and gain samples make the routines compare with NaN),
// a status flag raised, and on 32-bit x86 the same in the x87 control word. Over the cases of
// tests/core/path_compare.h on every path: the default caller's bits, no trap (it would end the
// program), and after every call the caller's exact words. Exit status 1 otherwise. Plain C++: run
// natively, under qemu (aarch64) and under Wine (both Windows builds).
#include "float_mode.h"
#include "path_compare.h"

using namespace vibrel_fp;

int main() {
    const ControlWord home = read_control();
#if defined(__aarch64__)
    write_control(home | (3ull << 22) | (1ull << 8)); // RMode toward zero, IOE
#else
    write_control((home & ~0x80u) | (3u << 13) | 0x20u); // invalid unmasked, RC toward zero, PE raised
#endif
    const ControlWord foreign = read_control(); // as the processor keeps it (qemu drops the trap enable)
    write_control(home);
#if defined(__i386__)
    const unsigned short x87Home = read_x87_control(), x87Foreign = (unsigned short)((x87Home & ~0x1u) | 0x0c00u);
#endif

    long calls = 0, changed = 0;
    auto as_foreign_caller = [&](paths::Routine routine, paths::t_vibrel *x, double **ins, double **outs, long n) {
        write_control(foreign);
#if defined(__i386__)
        write_x87_control(x87Foreign);
        paths::call(routine, x, ins, outs, n);
        changed += read_x87_control() != x87Foreign;
        write_x87_control(x87Home);
#else
        paths::call(routine, x, ins, outs, n);
#endif
        changed += read_control() != foreign;
        write_control(home);
        calls++;
    };
    const std::vector<paths::Case> all = paths::cases(false);
    bool same = true;
    for (int path = paths::kPathScalar; path <= paths::vibrel_widestPath(); path++) {
        long differing = 0;
        for (const paths::Case &c : all) {
            const std::vector<double> a = paths::run(c, path), b = paths::run(c, path, as_foreign_caller);
            differing += a.size() != b.size() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) != 0;
        }
        std::printf("%s: %zu cases, %ld differ from the default caller's\n", paths::vibrel_pathName(path), all.size(),
                    differing);
        same = same && differing == 0;
    }
    std::printf("caller's word %#llx: %ld calls, %ld handed back changed\n", (unsigned long long)foreign, calls,
                changed);
    return same && changed == 0 && calls > 0 ? 0 : 1;
}
