// How GetCommandLineA joins the process's arguments into one Windows command
// line, open to the tests that split it back the Windows way.
#pragma once

#include <string>
#include <vector>

namespace posix_console {

// The arguments quoted as the Windows C runtime splits them, joined by
// blanks; arguments past the Windows length limit are left out whole.
std::string command_line_join(const std::vector<std::string> &arguments);

} // namespace posix_console
