// The programs of the demo application for the Windows build: the main program, a tool,
// the uninstaller and the setup program. One source, the role is chosen when compiling.
#include <windows.h>

#include <cstdio>

#ifndef DEMO_ROLE
#define DEMO_ROLE 0
#endif

int main(int argc, char** argv) {
#if DEMO_ROLE == 3
    // Setup program: leaves a marker in its working directory and takes a while, as a
    // real one would.
    FILE* marker = std::fopen("setup-marker.txt", "w");
    if (marker) {
        std::fprintf(marker, "qz demo setup ran with %d argument(s)\n", argc - 1);
        for (int i = 1; i < argc; ++i)
            std::fprintf(marker, "%s\n", argv[i]);
        std::fclose(marker);
    }
    Sleep(2000);
    return 0;
#else
    (void)argc;
    (void)argv;
    static const char* const kNames[] = {"Qz demo", "Qz tool", "Qz uninstaller"};
    MessageBoxA(nullptr, "This is the Qz demo application.", kNames[DEMO_ROLE], MB_OK);
    return 0;
#endif
}
