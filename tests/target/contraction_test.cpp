// The exact-arithmetic options reach code outside the plug-in (here, a test program): a*b + c rounds
// the product before the sum. aarch64 compilers fuse it into one rounding unless told not to.
#include <cstdio>

int main() {
    // a*b = 1 - 2^-60 exactly, which rounds to 1; a fused multiply-add keeps the -2^-60.
    volatile double a = 1.0 + 0x1p-30, b = 1.0 - 0x1p-30, c = -1.0;
    const double r = a * b + c;
    if (r != 0.0) {
        std::printf("a*b + c gave %a, not 0: the product was not rounded on its own (contracted)\n", r);
        return 1;
    }
    return 0;
}
