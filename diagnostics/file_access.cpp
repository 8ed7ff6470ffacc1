// Thin file access: one Windows file call per routine, fixed modes, no
// sharing; and the last system error explained on the console.
#include "console_state.h"
#include "diag_state.h"

namespace {

// The cells the platform reports into.
DWORD bytes_read;
DWORD bytes_written;
DWORD last_error_code;
char *error_text;

const DWORD SYSTEM_TEXT_FLAGS = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;

con_file_handle open_file(const char *name, DWORD access, DWORD disposition) {
    return CreateFileA(name, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

extern "C" {

con_file_handle file_create_output_body(const char *name) {
    return open_file(name, GENERIC_WRITE, CREATE_ALWAYS);
}

con_file_handle file_open_input_body(const char *name) {
    return open_file(name, GENERIC_READ, OPEN_EXISTING);
}

int file_close_body(con_file_handle handle) {
    return CloseHandle(handle);
}

uint32_t file_read_body(con_file_handle handle, void *buffer, uint32_t count, bool *ok) {
    BOOL done = ReadFile(handle, buffer, count, &bytes_read, nullptr);
    if (ok != nullptr) *ok = done != 0;
    return done ? bytes_read : GetLastError();
}

uint32_t file_write_body(con_file_handle handle, const void *buffer, uint32_t count) {
    WriteFile(handle, buffer, count, &bytes_written, nullptr);
    return bytes_written;
}

// When the system has no text for the code, the line ends after ": " and
// no text is written or released.
void con_write_system_error_body(void) {
    last_error_code = GetLastError();
    con_write_text("Error ");
    con_write_dec(last_error_code);
    con_write_text(": ");
    error_text = nullptr;
    DWORD length = FormatMessageA(SYSTEM_TEXT_FLAGS, nullptr, last_error_code, 0,
                                  reinterpret_cast<LPSTR>(&error_text), 0, nullptr);
    if (length == 0 || error_text == nullptr) {
        con_newline();
        return;
    }
    con_write_text(error_text);
    LocalFree(error_text);
    error_text = nullptr;
}

} // extern "C"
