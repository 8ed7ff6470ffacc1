// Windows error codes for the POSIX layer: the mapping from errno and the
// system texts that FormatMessageA gives for them.
#pragma once

#include "win32_api.h"

namespace posix_console {

// The Windows code for an errno value, as a Windows program would see it
// from the same failure (ENOENT gives ERROR_FILE_NOT_FOUND, ...).
DWORD windows_error_from_errno(int error);

// The English system text of a code, without its CR LF; null when the
// system has no text for it.
const char *system_error_text(DWORD code);

} // namespace posix_console
