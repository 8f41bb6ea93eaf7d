// The entry of the force-feedback program: one instance per user session,
// which owns the Application for the whole run.
#include "ui/application_win32.h"
#include "ui/single_instance_win32.h"

#include <windows.h>

#include <memory>

using namespace gripline;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The engine's threads raise themselves further; the window thread stays
    // responsive while the simulator takes the CPU.
    SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS);
    // The command line of the process, not the argument: CommandLineToArgvW
    // splits quoted paths the way the analyzer writes them.
    const std::wstring advicePath = advicePathOfCommandLine();

    SingleInstance single;
    switch (single.claim()) {
    case SingleInstance::Claim::Failed:
        return 1;
    case SingleInstance::Claim::AlreadyRunning:
        forwardToRunningInstance(advicePath);
        return 0;
    case SingleInstance::Claim::First:
        break;
    }
    // On the heap rather than the stack: the engine's sample ring alone
    // would take most of the main thread's 1 MiB.
    auto app = std::make_unique<Application>(instance);
    const int code = app->run(showCommand, advicePath);
    single.release();
    app.reset(); // after the mutex: a new instance may start while this one tidies up
    return code;
}
