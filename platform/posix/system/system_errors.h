// Windows error codes for the POSIX layer: failing with one, the mapping
// from errno and the system texts that FormatMessageA gives for them.
#pragma once

#include "win32_api.h"

namespace posix_console {

// The Windows code for an errno value, as a Windows program would see it
// from the same failure (ENOENT gives ERROR_FILE_NOT_FOUND, ...).
DWORD windows_error_from_errno(int error);

// Fails as a Windows call does: the thread's error code set, the value the
// call returns on failure (FALSE unless given) returned.
template <typename Result = BOOL> Result fail(DWORD code, Result result = FALSE) {
    SetLastError(code);
    return result;
}

// The English system text of a code, without its CR LF; null when the
// system has no text for it.
const char *system_error_text(DWORD code);

} // namespace posix_console
