// The console's own line editing for ReadConsoleA in line mode: keys are
// taken from the input queue, the line is edited and echoed into the screen
// buffer at the cursor, and Enter delivers it with its line end.
#pragma once

#include <string>

#include "win32_api.h"

namespace posix_console {

// Reads and edits one line in `mode` (ENABLE_LINE_INPUT set); returns the
// line followed by CR LF (processed input) or CR (not processed).
std::string line_reader_read(DWORD mode);

} // namespace posix_console
