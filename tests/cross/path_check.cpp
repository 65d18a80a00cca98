// The path check of the Windows builds, run under Wine by the cross tests: every vectorised path of the
// perform routines that this processor has, against the scalar path, bit for bit, over the cases of
// tests/core/path_compare.h (--dense: the long set). One line per path; exit status 1 if a value differs.
#include "path_compare.h"

int main(int argc, char **argv) {
    std::string log;
    const bool same = paths::compare_paths(argc > 1 && !std::strcmp(argv[1], "--dense"), log);
    std::printf("%s", log.c_str());
    return same ? 0 : 1;
}
