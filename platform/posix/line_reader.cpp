// The console's line editing: insert and overwrite, Backspace, Delete,
// Left/Right, Home/End, Ctrl+Left/Right by word, Ctrl+Home/End deleting to
// either end, Escape clearing the line, Up/Down/PgUp/PgDn recalling the
// lines entered before. Control characters are kept as typed and shown as
// ^X; a tab shows as blanks up to the next multiple of eight columns.
#include "line_reader.h"

#include <algorithm>
#include <vector>

#include "console_object.h"
#include "input_queue.h"
#include "input_source.h"
#include "posix_console.h"

namespace posix_console {
namespace {

constexpr size_t HISTORY_MAX = 50;

std::vector<std::string> &history() {
    static std::vector<std::string> lines;
    return lines;
}

void history_add(const std::string &line) {
    std::vector<std::string> &lines = history();
    if (line.empty() || (!lines.empty() && lines.back() == line)) return;
    if (lines.size() == HISTORY_MAX) lines.erase(lines.begin());
    lines.push_back(line);
}

bool is_lead_byte(unsigned char byte) {
    const Console &c = console();
    return c.codepage && c.codepage->is_lead_byte(byte);
}

// The cells a line shows as, and the cell where each of its bytes begins.
struct Layout {
    std::string cells;
    std::vector<size_t> starts; // one per byte, and one for the end
};

Layout lay_out(const std::string &text, int first_column, int width) {
    Layout layout;
    for (unsigned char c : text) {
        layout.starts.push_back(layout.cells.size());
        if (c == '\t') {
            int column = static_cast<int>((first_column + layout.cells.size()) % width);
            int blanks = std::min(8 - column % 8, width - column);
            layout.cells.append(static_cast<size_t>(blanks), ' ');
        } else if (c < 0x20 || c == 0x7F) {
            layout.cells += '^';
            layout.cells += c == 0x7F ? '?' : static_cast<char>(c + '@');
        } else {
            layout.cells += static_cast<char>(c);
        }
    }
    layout.starts.push_back(layout.cells.size());
    return layout;
}

class LineEditor {
  public:
    LineEditor(DWORD mode)
        : mode_(mode), echo_((mode & ENABLE_ECHO_INPUT) != 0), insert_(input_insert_mode()),
          history_index_(history().size()) {
        if (echo_) origin_ = cursor();
    }

    // Applies one key-down; true when it ended the line.
    bool apply(const KEY_EVENT_RECORD &key);
    std::string finish();

  private:
    bool apply_editing_key(WORD vk, bool ctrl);
    void apply_character(char ch);
    void insert_bytes(const char *bytes, size_t count);
    size_t char_end(size_t at) const;
    size_t char_start_before(size_t at) const;
    size_t word_left() const;
    size_t word_right() const;
    void replace_text(const std::string &text);
    void recall(size_t index);
    void erase(size_t from, size_t to);
    void bring_back_start(size_t cell_count);
    void show();
    long cell_offset(size_t cell) const;
    COORD cell_position(size_t cell) const;
    void move_to_cell(size_t cell);

    DWORD mode_;
    bool echo_;
    bool insert_;
    size_t history_index_;
    std::string text_;
    size_t cursor_ = 0;
    int pending_lead_ = -1;
    COORD origin_{0, 0};
    std::string shown_;
};

size_t LineEditor::char_end(size_t at) const {
    if (at >= text_.size()) return text_.size();
    bool pair = is_lead_byte(static_cast<unsigned char>(text_[at])) && at + 1 < text_.size();
    return at + (pair ? 2 : 1);
}

size_t LineEditor::char_start_before(size_t at) const {
    size_t start = 0;
    while (char_end(start) < at) start = char_end(start);
    return start;
}

size_t LineEditor::word_left() const {
    size_t i = cursor_;
    while (i > 0 && text_[i - 1] == ' ') --i;
    while (i > 0 && text_[i - 1] != ' ') --i;
    return i;
}

size_t LineEditor::word_right() const {
    size_t i = cursor_;
    while (i < text_.size() && text_[i] != ' ') ++i;
    while (i < text_.size() && text_[i] == ' ') ++i;
    return i;
}

void LineEditor::replace_text(const std::string &text) {
    text_ = text;
    cursor_ = text_.size();
}

void LineEditor::recall(size_t index) {
    if (index >= history().size()) return;
    history_index_ = index;
    replace_text(history()[index]);
}

void LineEditor::erase(size_t from, size_t to) {
    text_.erase(from, to - from);
    cursor_ = from;
}

void LineEditor::insert_bytes(const char *bytes, size_t count) {
    if (!insert_ && cursor_ < text_.size()) text_.erase(cursor_, char_end(cursor_) - cursor_);
    text_.insert(cursor_, bytes, count);
    cursor_ += count;
}

// A double-byte character comes as two key events; it enters the line whole.
void LineEditor::apply_character(char ch) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (pending_lead_ >= 0) {
        char pair[2] = {static_cast<char>(pending_lead_), ch};
        pending_lead_ = -1;
        insert_bytes(pair, 2);
        return;
    }
    if (is_lead_byte(byte)) {
        pending_lead_ = byte;
        return;
    }
    insert_bytes(&ch, 1);
}

bool LineEditor::apply_editing_key(WORD vk, bool ctrl) {
    if (ctrl) {
        switch (vk) {
        case VK_LEFT: cursor_ = word_left(); return true;
        case VK_RIGHT: cursor_ = word_right(); return true;
        case VK_HOME: erase(0, cursor_); return true;
        case VK_END: erase(cursor_, text_.size()); return true;
        default: return false;
        }
    }
    switch (vk) {
    case VK_LEFT: cursor_ = char_start_before(cursor_); return true;
    case VK_RIGHT:
        // At the end of the line, Right copies the next character of the
        // line entered last.
        if (cursor_ == text_.size() && !history().empty() &&
            history().back().size() > text_.size()) {
            const std::string &last = history().back();
            size_t end = text_.size() + 1;
            if (is_lead_byte(static_cast<unsigned char>(last[text_.size()])) && end < last.size())
                ++end;
            text_.append(last, text_.size(), end - text_.size());
        }
        cursor_ = char_end(cursor_);
        return true;
    case VK_HOME: cursor_ = 0; return true;
    case VK_END: cursor_ = text_.size(); return true;
    case VK_INSERT: insert_ = !insert_; return true;
    case VK_DELETE: erase(cursor_, char_end(cursor_)); return true;
    case VK_ESCAPE: erase(0, text_.size()); return true;
    case VK_UP:
        if (history_index_ > 0) recall(history_index_ - 1);
        return true;
    case VK_DOWN: recall(history_index_ + 1); return true;
    case VK_PRIOR: recall(0); return true;
    case VK_NEXT:
        if (!history().empty()) recall(history().size() - 1);
        return true;
    default: return false;
    }
}

bool LineEditor::apply(const KEY_EVENT_RECORD &key) {
    DWORD state = key.dwControlKeyState;
    bool ctrl = (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
    bool alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
    bool processed = (mode_ & ENABLE_PROCESSED_INPUT) != 0;
    char ch = key.uChar.AsciiChar;
    if (!alt && apply_editing_key(key.wVirtualKeyCode, ctrl)) {
        show();
        return false;
    }
    if (ch == '\r') return true;
    if (ch == 0 || ch == '\n' || ch == 0x1B) return false; // never part of a line
    if (processed && ch == 0x08) {
        erase(char_start_before(cursor_), cursor_);
    } else if (processed && ch == 0x7F && key.wVirtualKeyCode == VK_BACK) {
        erase(word_left(), cursor_);
    } else {
        apply_character(ch);
    }
    show();
    return false;
}

std::string LineEditor::finish() {
    if (echo_) {
        move_to_cell(shown_.size());
        echo("\r\n", 2);
        history_add(text_);
    }
    return text_ + ((mode_ & ENABLE_PROCESSED_INPUT) ? "\r\n" : "\r");
}

// Where a cell of the line is now, as an offset from the buffer's first
// cell: negative once a long line has scrolled its start off the top.
long LineEditor::cell_offset(size_t cell) const {
    return static_cast<long>(origin_.Y) * buffer_size().X + origin_.X + static_cast<long>(cell);
}

COORD LineEditor::cell_position(size_t cell) const {
    COORD size = buffer_size();
    long linear = std::max(cell_offset(cell), 0L);
    long row = std::min(linear / size.X, static_cast<long>(size.Y - 1));
    return COORD{static_cast<SHORT>(linear % size.X), static_cast<SHORT>(row)};
}

void LineEditor::move_to_cell(size_t cell) {
    COORD target = cell_position(cell);
    COORD now = cursor();
    if (target.X != now.X || target.Y != now.Y) set_cursor(target);
}

// A line whose start scrolled off the top comes down again as it gets
// shorter, as far as the top row, rather than staying out of sight: its
// start goes to the lowest row that keeps its end in the buffer, and every
// cell the old echo still covers is drawn again from there.
void LineEditor::bring_back_start(size_t cell_count) {
    if (origin_.Y >= 0) return;
    COORD size = buffer_size();
    long end_row = (origin_.X + static_cast<long>(cell_count)) / size.X;
    long row = std::min(0L, size.Y - 1 - end_row);
    if (row <= origin_.Y) return;
    long old_end = cell_offset(shown_.size());
    origin_.Y = static_cast<SHORT>(row);
    // No laid-out cell is a NUL, so each of these counts as changed.
    shown_.assign(static_cast<size_t>(std::max(old_end - cell_offset(0), 0L)), '\0');
}

// Rewrites the cells from the first one that changed, so that typing at the
// end of a line echoes just the character typed.
void LineEditor::show() {
    if (!echo_) return;
    Layout layout = lay_out(text_, origin_.X, buffer_size().X);
    const std::string &cells = layout.cells;
    bring_back_start(cells.size());
    size_t same = 0;
    while (same < cells.size() && same < shown_.size() && cells[same] == shown_[same]) ++same;
    size_t longest = std::max(cells.size(), shown_.size());
    if (same < longest) {
        std::string out = cells.substr(same);
        if (shown_.size() > cells.size()) out.append(shown_.size() - cells.size(), ' ');
        // The cells that scrolled off the top are gone: only the rest is drawn.
        size_t gone =
            static_cast<size_t>(std::clamp(-cell_offset(same), 0L, static_cast<long>(out.size())));
        out.erase(0, gone);
        move_to_cell(same + gone);
        COORD size = buffer_size();
        long expected_row = origin_.Y + (origin_.X + static_cast<long>(longest)) / size.X;
        echo(out.data(), out.size());
        long scrolled = expected_row - cursor().Y; // the buffer scrolled under the line
        if (scrolled > 0) origin_.Y = static_cast<SHORT>(origin_.Y - scrolled);
    }
    shown_ = cells;
    move_to_cell(layout.starts[cursor_]);
}

} // namespace

std::string line_reader_read(DWORD mode) {
    LineEditor editor(mode);
    for (;;) {
        input_source_wait_for_event(mode);
        INPUT_RECORD record;
        if (!input_queue_pop(record)) continue;
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
        if (editor.apply(record.Event.KeyEvent)) return editor.finish();
    }
}

void line_reader_reset() {
    history().clear();
}

} // namespace posix_console
