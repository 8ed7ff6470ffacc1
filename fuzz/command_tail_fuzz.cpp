// The command line and its tail: arguments joined the way GetCommandLineA
// joins them split back into the same arguments by the Windows C runtime's
// rules, and the tail that get_command_tail finds splits into the same
// arguments without the program name.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "command_tail.h"
#include "con_input.h"
#include "fuzz_check.h"

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

// The program name: up to the next quote when quoted (no escapes), else up
// to the first blank.
size_t split_program_name(const std::string &line, std::string &name) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        size_t end = line.find('"', 1);
        if (end == std::string::npos) end = line.size();
        name = line.substr(1, end - 1);
        return end < line.size() ? end + 1 : end;
    }
    while (i < line.size() && !blank(line[i])) ++i;
    name = line.substr(0, i);
    return i;
}

// The arguments after the name: 2n backslashes and a quote give n
// backslashes and open or close a quoted part, 2n+1 give n and a quote,
// other backslashes stand for themselves; "" inside quotes is a quote.
std::vector<std::string> split_arguments(const std::string &line, size_t i) {
    std::vector<std::string> out;
    for (;;) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i >= line.size()) return out;
        std::string argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank(line[i]))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    argument += '"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    argument += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (i < line.size() && (quoted || !blank(line[i]))) argument += line[i++];
            }
        }
        out.push_back(argument);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::string> arguments;
    while (input.remaining_bytes() > 0) {
        std::string argument = input.ConsumeRandomLengthString(64);
        // No byte of a command line is zero, and no file name holds a quote.
        std::erase(argument, '\0');
        if (arguments.empty()) std::erase(argument, '"');
        arguments.push_back(argument);
    }
    if (arguments.empty()) return 0;

    std::string line = posix_console::command_line_join(arguments);
    std::string name;
    size_t after_name = split_program_name(line, name);
    FUZZ_CHECK(name == arguments[0]);
    std::vector<std::string> rest = split_arguments(line, after_name);
    FUZZ_CHECK(rest.size() == arguments.size() - 1); // far below the length limit
    for (size_t i = 0; i < rest.size(); ++i) FUZZ_CHECK(rest[i] == arguments[i + 1]);

    std::string tail(line.size() + 1, '\xCC');
    bool any = command_tail_of(line.c_str(), tail.data());
    tail.resize(tail.find('\0'));
    FUZZ_CHECK(any == !tail.empty());
    FUZZ_CHECK(split_arguments(tail, 0) == rest);
    return 0;
}
