// The console's input queue: the key (and other) events waiting to be read,
// the input mode, and the rest of a line that did not fit into a read. It
// knows nothing of where the events come from.
#pragma once

#include <stddef.h>

#include <deque>
#include <string>

#include "win32.h"

namespace posix_console {

struct InputQueue {
    std::deque<INPUT_RECORD> events;
    DWORD mode = DEFAULT_INPUT_MODE;
    bool insert = true;
    std::string pending;
    size_t pending_start = 0; // what reads took already
};

size_t input_queue_size();
bool input_queue_empty();
void input_queue_push(const INPUT_RECORD &record);
// Copies up to count records from the front; returns how many.
size_t input_queue_peek(INPUT_RECORD *records, size_t count);
// Takes the front record off the queue; false when it is empty.
bool input_queue_pop(INPUT_RECORD &record);
void input_queue_clear();

DWORD input_mode();
void input_mode_set(DWORD mode);
// Insert (rather than overwrite) as a line read starts: changed only by a
// mode that carries ENABLE_EXTENDED_FLAGS, as the console does.
bool input_insert_mode();

// The rest of a line that a read could not take: every later read returns
// it first, whatever the mode. Taken from the front in any amounts, each
// read costing what it takes, not what is left.
bool input_pending_empty();
void input_pending_add(const std::string &text, size_t from);
size_t input_pending_take(char *buffer, size_t count);

} // namespace posix_console
