// The path check of the Windows builds, run under Wine by the cross tests: every vectorised path of the
// perform routines that this processor has, against the scalar path, bit for bit, over the cases of
// tests/core/path_compare.h (--dense: the long set). One line per path; exit status 1 if a value differs.
#include <cstring>

#include "path_compare.h"

int main(int argc, char **argv) {
    using namespace VIBREL_NS;
    const bool dense = argc > 1 && !std::strcmp(argv[1], "--dense");
    int status = 0;
    for (int path = kPathTwoLanes; path <= kPathWidest; path++) {
        if (path > vibrel_widestPath()) {
            std::printf("%s: not on this processor\n", vibrel_pathName(path));
            continue;
        }
        const paths::Report r = paths::compare(path, dense);
        std::printf("%s: %ld cases, %ld values, %ld differ%s%s\n", vibrel_pathName(path), r.cases, r.values,
                    r.differing, r.differing ? "; first: " : "", r.first.c_str());
        if (r.differing) status = 1;
    }
    return status;
}
