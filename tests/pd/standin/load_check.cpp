// Loads a Windows Pd external as Pd does, through the stand-in pd.dll or pd64.dll, and calls its setup.
// usage: vibrel_pd_load_check <pd.dll or pd64.dll> <external> <setup name>
// Prints the stand-in's record of the class the setup made and exits 0; 1 when a file does not load
// or the setup is not exported.
#include <windows.h>

#include <stdio.h>

int main(int argc, char **argv) {
    if (argc != 4) return 2;
    HMODULE pd = LoadLibraryA(argv[1]); // first, so that the external's import binds to this one
    HMODULE external = pd ? LoadLibraryA(argv[2]) : nullptr;
    if (!external) {
        printf("cannot load %s (error %lu)\n", pd ? argv[2] : argv[1], GetLastError());
        return 1;
    }
    // Through the generic code pointer: FARPROC converts to any function type that way.
    auto setup = (void (*)(void))(void (*)(void))GetProcAddress(external, argv[3]);
    auto report = (void (*)(char *, size_t))(void (*)(void))GetProcAddress(pd, "standin_report");
    if (!setup || !report) {
        printf("no %s\n", setup ? "standin_report" : argv[3]);
        return 1;
    }
    setup();
    char text[512];
    report(text, sizeof text);
    printf("%s\n", text);
    return 0;
}
