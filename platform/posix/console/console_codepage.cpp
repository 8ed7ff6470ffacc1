// The console's code pages: the input one, in which typed characters reach
// the program, and the output one, through which its bytes are shown.
#include "console_object.h"
#include "posix_console.h"

using namespace posix_console;

extern "C" {

UINT WINAPI GetConsoleCP(void) {
    ensure_started();
    return console().codepage->number();
}

UINT WINAPI GetConsoleOutputCP(void) {
    ensure_started();
    return console().codepage->number();
}

} // extern "C"
