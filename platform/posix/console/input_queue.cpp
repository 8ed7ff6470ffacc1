// The console's input queue, input mode and pending rest of a line.
#include "input_queue.h"

#include <string.h>

#include <algorithm>

#include "console_object.h"

namespace posix_console {
namespace {

InputQueue &queue() {
    return console().queue;
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

bool input_pending_empty() {
    return queue().pending_start == queue().pending.size();
}

void input_pending_add(const std::string &text, size_t from) {
    InputQueue &q = queue();
    q.pending.erase(0, q.pending_start);
    q.pending_start = 0;
    q.pending.append(text, from, std::string::npos);
}

size_t input_pending_take(char *buffer, size_t count) {
    InputQueue &q = queue();
    size_t n = std::min(count, q.pending.size() - q.pending_start);
    memcpy(buffer, q.pending.data() + q.pending_start, n);
    q.pending_start += n;
    if (q.pending_start == q.pending.size()) {
        q.pending.clear();
        q.pending_start = 0;
    }
    return n;
}

} // namespace posix_console
