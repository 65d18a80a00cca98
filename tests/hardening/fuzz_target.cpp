// libFuzzer entry: a broken record invariant aborts, so that the fuzzer keeps the input as a crash.
#include <cstdio>
#include <cstdlib>

#include "fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string fault = hardening::run_fuzz_input(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "vibrel fuzz: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
