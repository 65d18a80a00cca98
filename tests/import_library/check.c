// Calls a DLL through an import library made from a list of names (cmake/import_library.cmake):
// prints "5 1.5 7" and exits 0 when every name bound to the DLL's own.
#include <stdio.h>

__declspec(dllimport) int stub_add(int a, int b);
__declspec(dllimport) double stub_scale(double x);
__declspec(dllimport) extern int stub_level;

int main(void) {
    const int sum = stub_add(2, 3);
    const double half = stub_scale(3.0);
    printf("%d %g %d\n", sum, half, stub_level);
    return sum == 5 && half == 1.5 && stub_level == 7 ? 0 : 1;
}
