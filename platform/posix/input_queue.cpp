// The console's input queue, input mode and pending rest of a line.
#include "input_queue.h"

#include <deque>

namespace posix_console {
namespace {

struct InputQueue {
    std::deque<INPUT_RECORD> events;
    DWORD mode = DEFAULT_INPUT_MODE;
    bool insert = true;
    std::string pending;
};

InputQueue &queue() {
    static InputQueue q;
    return q;
}

} // namespace

size_t input_queue_size() {
    return queue().events.size();
}
bool input_queue_empty() {
    return queue().events.empty();
}
void input_queue_push(const INPUT_RECORD &record) {
    queue().events.push_back(record);
}

size_t input_queue_peek(INPUT_RECORD *records, size_t count) {
    const std::deque<INPUT_RECORD> &events = queue().events;
    size_t n = count < events.size() ? count : events.size();
    for (size_t i = 0; i < n; ++i) records[i] = events[i];
    return n;
}

bool input_queue_pop(INPUT_RECORD &record) {
    std::deque<INPUT_RECORD> &events = queue().events;
    if (events.empty()) return false;
    record = events.front();
    events.pop_front();
    return true;
}

void input_queue_clear() {
    queue().events.clear();
}

DWORD input_mode() {
    return queue().mode;
}

void input_mode_set(DWORD mode) {
    queue().mode = mode;
    if (mode & ENABLE_EXTENDED_FLAGS) queue().insert = (mode & ENABLE_INSERT_MODE) != 0;
}

bool input_insert_mode() {
    return queue().insert;
}

std::string &input_pending() {
    return queue().pending;
}

void input_queue_reset() {
    InputQueue &q = queue();
    q.events.clear();
    q.mode = DEFAULT_INPUT_MODE;
    q.insert = true;
    q.pending.clear();
}

} // namespace posix_console
