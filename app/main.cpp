#include "app/CSpanmeterApp.h"
#include "settings/SettingsStore.h"

int main(int argc, char* argv[]) {
    CSpanmeterApp app(argc, argv);
    PinSettingsStore();
    if (!app.InitInstance()) {
        return 1;
    }
    return app.Run();
}
