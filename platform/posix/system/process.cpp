// Process exit, sleep and the process-wide last-error value.
#include <errno.h>
#include <time.h>

#include "posix_console.h"

namespace {

DWORD last_error = ERROR_SUCCESS;
posix_console::ExitHook exit_hook = nullptr;

} // namespace

void posix_console::set_exit_hook(ExitHook hook) {
    exit_hook = hook;
}

extern "C" {

DWORD WINAPI GetLastError(void) {
    return last_error;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    last_error = dwErrCode;
}

// Tests catch the exit through the hook; a hook that returns anyway must not
// let the program run on past its exit, so the process ends after it.
void WINAPI ExitProcess(UINT uExitCode) {
    if (exit_hook) exit_hook(uExitCode);
    posix_console::exit_process(uExitCode);
}

// The screen is brought up to date first: a program that sleeps between
// frames expects to be seen.
void WINAPI Sleep(DWORD dwMilliseconds) {
    posix_console::flush();
    timespec wanted{static_cast<time_t>(dwMilliseconds / 1000),
                    static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (nanosleep(&wanted, &wanted) == -1 && errno == EINTR) {
        posix_console::flush();
    }
}

} // extern "C"
