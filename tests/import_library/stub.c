// A DLL standing in for a host library that the build has only a list of names for.
__declspec(dllexport) int stub_add(int a, int b) { return a + b; }
__declspec(dllexport) double stub_scale(double x) { return 0.5 * x; }
__declspec(dllexport) int stub_level = 7;
