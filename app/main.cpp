#include "app/CSpanmeterApp.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so it needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("Spanmeter " SPANMETER_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    CSpanmeterApp app(argc, argv);
    PinSettingsStore();
    if (!app.InitInstance()) {
        return 1;
    }
    return app.Run();
}
