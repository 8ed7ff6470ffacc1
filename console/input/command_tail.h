// The scanner behind get_command_tail, taking the command line as an
// argument so that every quoting case can be tried on both systems.
#pragma once

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

// Copies the tail of command_line (what follows the program name) into
// buffer; true when it is not empty.
bool command_tail_of(const char *command_line, char *buffer);

#ifdef __cplusplus
}
#endif
