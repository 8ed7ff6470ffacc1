// Our console follows the Windows console on every listed behaviour.
#include "console_host.h"

extern "C" const char *console_host_known_divergence(console_divergence) {
    return nullptr;
}
