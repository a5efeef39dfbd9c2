#include "app/CSpanmeterApp.h"

int main(int argc, char* argv[]) {
    CSpanmeterApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return app.Run();
}
