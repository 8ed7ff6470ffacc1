// Test programs that start another i386 program of this build start it the
// way CTest started them: through the emulator that CONRT_I386_EMULATOR
// names on machines whose kernel runs no i386 programs, directly elsewhere.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

inline const char *i386_emulator() {
    const char *emulator = std::getenv("CONRT_I386_EMULATOR");
    return emulator != nullptr && *emulator != '\0' ? emulator : nullptr;
}

// execv(PROGRAM, ARGV), ARGV[0] being the name the program is to see.
// Returns only when the program could not be started.
inline void i386_execv(const char *program, char *const argv[]) {
    const char *emulator = i386_emulator();
    if (emulator == nullptr) {
        execv(program, argv);
        return;
    }
    // The emulator and its options, then its -0 that hands the program its
    // own argv[0].
    std::vector<std::string> words;
    std::istringstream split(emulator);
    for (std::string word; split >> word;) words.push_back(word);
    std::vector<char *> full;
    for (std::string &word : words) full.push_back(word.data());
    full.insert(full.end(), {const_cast<char *>("-0"), argv[0], const_cast<char *>(program)});
    for (int i = 1; argv[i] != nullptr; ++i) full.push_back(argv[i]);
    full.push_back(nullptr);
    execvp(full[0], full.data()); // the emulator may be named without its path
}

// What a shell command puts before an i386 program's path.
inline std::string i386_shell_prefix() {
    const char *emulator = i386_emulator();
    return emulator == nullptr ? std::string() : std::string(emulator) + " ";
}
