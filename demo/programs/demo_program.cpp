// The programs of the demo application for the Windows build: the main program, a tool,
// the uninstaller and the setup program. One source, the role is chosen when compiling.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

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
    // The wizard's end-to-end test lets it run longer, to watch the wait dialog count.
    char value[16] = {};
    const DWORD length = GetEnvironmentVariableA("QZ_DEMO_SETUP_SECONDS", value, sizeof(value));
    const int seconds = length > 0 && length < sizeof(value) ? std::atoi(value) : 2;
    Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 2) * 1000);
    return 0;
#else
    (void)argc;
    (void)argv;
    static const char* const kNames[] = {"Qz demo", "Qz tool", "Qz uninstaller"};
    MessageBoxA(nullptr, "This is the Qz demo application.", kNames[DEMO_ROLE], MB_OK);
    return 0;
#endif
}
