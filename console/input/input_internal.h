// Internal pieces of the input runtime, shared with its tests.
#pragma once

#include "con_input.h"

#ifdef __cplusplus
extern "C" {
#endif

// Rewrites char_code and scan_code of a key the console reported into the
// PC keyboard service's codes for extended and modified keys.
void translate_key(key_record *key);

enum { INPUT_LINE_MAX = 80 };
extern char input_line[INPUT_LINE_MAX + 1];

#ifdef __cplusplus
}
#endif
