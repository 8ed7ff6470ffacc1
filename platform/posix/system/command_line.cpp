// GetCommandLineA on Linux: the process's own arguments, read once from
// /proc/self/cmdline and joined as Windows shows a command line, so that a
// program splitting it the Windows way gets its arguments back.
#include "command_line.h"

#include "win32_api.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The longest command line Windows starts a process with, its terminator
// included; the runtime's callers size their buffers by it.
const size_t COMMAND_LINE_LIMIT = 32767;

std::vector<std::string> process_arguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        arguments.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

bool needs_quotes(const std::string &argument) {
    return argument.empty() || argument.find_first_of(" \t\n\v\"") != std::string::npos;
}

// Quotes as the Windows C runtime splits: backslashes stand for themselves
// except before a quote, where each is doubled and the quote escaped.
std::string quoted(const std::string &argument) {
    if (!needs_quotes(argument)) return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

// The program's name as the command tail scanner reads it: up to a blank,
// or from quote to quote with no escapes, so its backslashes are never
// doubled. No quoting gets a double quote past that scan (Windows file names
// never hold one), so such a name is given as the path by which this process
// always reaches its own program.
std::string program_name(const std::string &name) {
    if (name.find('"') != std::string::npos) return "/proc/self/exe";
    return needs_quotes(name) ? "\"" + name + "\"" : name;
}

std::string &command_line() {
    static std::string line = posix_console::command_line_join(process_arguments());
    return line;
}

} // namespace

namespace posix_console {

// Arguments that would pass the Windows limit are left out whole rather
// than cut, so that the line stays a valid one.
std::string command_line_join(const std::vector<std::string> &arguments) {
    std::string line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string piece = i == 0 ? program_name(arguments[i]) : " " + quoted(arguments[i]);
        if (line.size() + piece.size() >= COMMAND_LINE_LIMIT) break;
        line += piece;
    }
    return line;
}

} // namespace posix_console

extern "C" {

LPSTR WINAPI GetCommandLineA(void) {
    return command_line().data();
}

} // extern "C"
