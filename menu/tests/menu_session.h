// Test support: runs the whole menu program on a fresh headless console with
// script input, and catches the end of the process through the exit hook.
#pragma once

#include <string>

#include "console_host.h"
#include "menu.h"

namespace menu_session {

// The status the console ends the program with when its input runs out.
constexpr unsigned INPUT_ENDED = 1;

struct ProcessExit {
    unsigned code;
};

inline void throw_exit(unsigned code) {
    throw ProcessExit{code};
}

// Runs the program on the given input; returns its exit status.
inline unsigned run_menu(const std::string &input) {
    console_host_open(80, 25);
    console_host_set_exit_hook(throw_exit);
    console_host_feed(input.data(), static_cast<unsigned>(input.size()));
    unsigned code = 9999;
    try {
        menu_main();
    } catch (const ProcessExit &exit) {
        code = exit.code;
    }
    console_host_set_exit_hook(nullptr);
    return code;
}

} // namespace menu_session
