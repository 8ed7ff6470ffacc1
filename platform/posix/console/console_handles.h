// The handles of the one console object. GetStdHandle gives them out; every
// console routine checks its handle against them and answers a stranger
// with ERROR_INVALID_HANDLE, as Windows does.
#pragma once

#include "win32_api.h"

namespace posix_console {

// The values the old Windows console used for its pseudo-handles; any
// constant that no file handle takes would do.
inline HANDLE console_input_handle() {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(3));
}
inline HANDLE console_output_handle() {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(7));
}

inline bool is_console_input(HANDLE handle) {
    return handle == console_input_handle();
}
inline bool is_console_output(HANDLE handle) {
    return handle == console_output_handle();
}

} // namespace posix_console
