// Test support: the x87 control word as the test's own code sees it.
#pragma once

#include <cstdint>

namespace control_word {

inline uint16_t current() {
    uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

// Flags left by earlier work are cleared first: under a word that unmasks
// them they would fault at the next FPU instruction.
inline void load(uint16_t word) {
    asm volatile("fnclex\n\tfldcw %0" ::"m"(word));
}

} // namespace control_word
