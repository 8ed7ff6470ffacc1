// The console's code pages: the input one, in which typed characters reach
// the program, and the output one, through which its bytes are shown. Each
// takes any code page the console can show (as CONRT_CODEPAGE does) and
// refuses the rest, as Windows refuses a code page it does not have.
#include <memory>

#include "console_object.h"
#include "posix_console.h"
#include "system_errors.h"

using namespace posix_console;

namespace {

std::unique_ptr<CodePage> supported_codepage(UINT number) {
    auto codepage = std::make_unique<CodePage>(number);
    if (number == 0 || !codepage->supported()) return nullptr;
    return codepage;
}

} // namespace

extern "C" {

UINT WINAPI GetConsoleCP(void) {
    ensure_started();
    return console().input_codepage->number();
}

UINT WINAPI GetConsoleOutputCP(void) {
    ensure_started();
    return console().codepage->number();
}

BOOL WINAPI SetConsoleCP(UINT wCodePageID) {
    ensure_started();
    std::unique_ptr<CodePage> codepage = supported_codepage(wCodePageID);
    if (!codepage) return fail(ERROR_INVALID_PARAMETER);
    console_set_input_codepage(std::move(codepage));
    return TRUE;
}

BOOL WINAPI SetConsoleOutputCP(UINT wCodePageID) {
    ensure_started();
    std::unique_ptr<CodePage> codepage = supported_codepage(wCodePageID);
    if (!codepage) return fail(ERROR_INVALID_PARAMETER);
    console_set_output_codepage(std::move(codepage));
    return TRUE;
}

} // extern "C"
