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
#include "unicode.h"

namespace posix_console {
namespace {

constexpr size_t HISTORY_MAX = 50;

std::vector<std::string> &history() {
    return console().history;
}

void history_add(const std::string &line) {
    std::vector<std::string> &lines = history();
    if (line.empty() || (!lines.empty() && lines.back() == line)) return;
    if (lines.size() == HISTORY_MAX) lines.erase(lines.begin());
    lines.push_back(line);
}

bool is_lead_byte(unsigned char byte) {
    const Console &c = console();
    return c.input_codepage && c.input_codepage->is_lead_byte(byte);
}

bool is_utf8() {
    const Console &c = console();
    return c.input_codepage && c.input_codepage->is_utf8();
}

// What the line shows, a cell an element: a byte of the code page, or in
// UTF-8 a code point, with WIDE_TRAIL in the second cell of a wide one.
using Cells = std::u32string;
constexpr char32_t WIDE_TRAIL = 0x110000; // beyond every code point

// The bytes of a character of the line that starts at `at`: a double-byte
// character is a lead byte and whatever byte follows it; the line holds
// only whole UTF-8 characters.
size_t char_length(const std::string &text, size_t at) {
    auto bytes = reinterpret_cast<const unsigned char *>(text.data());
    if (is_utf8()) return utf8_next(bytes + at, text.size() - at).length;
    return is_lead_byte(bytes[at]) && at + 1 < text.size() ? 2 : 1;
}

// The cells of one byte of a line at `column` of a row `width` wide: a tab
// shows as blanks up to the next multiple of eight columns, a control
// character as ^X.
void lay_out_byte(unsigned char c, size_t column, int width, Cells &cells) {
    if (c == '\t') {
        int x = static_cast<int>(column % static_cast<size_t>(width));
        cells.append(static_cast<size_t>(std::min(8 - x % 8, width - x)), U' ');
    } else if (c < 0x20 || c == 0x7F) {
        cells += U'^';
        cells += c == 0x7F ? U'?' : static_cast<char32_t>(c + '@');
    } else {
        cells += c;
    }
}

// The cells of one character of a line, the first of them at `column`: a
// UTF-8 character as its code point (and a second cell when wide); in any
// other code page each byte as it is laid out alone, so that a lead byte
// with a control byte after it shows that byte as ^X, as the echo writes it.
void lay_out_character(const std::string &text, size_t at, size_t length, size_t column, int width,
                       Cells &cells) {
    auto bytes = reinterpret_cast<const unsigned char *>(text.data()) + at;
    if (is_utf8() && bytes[0] >= 0x80) {
        char32_t code = utf8_next(bytes, length).code;
        cells += code;
        if (code_point_columns(code) == 2 && width > 1) cells += WIDE_TRAIL;
        return;
    }
    size_t first = cells.size();
    for (size_t i = 0; i < length; ++i)
        lay_out_byte(bytes[i], column + cells.size() - first, width, cells);
}

// Whether a character laid out here takes two cells, which never start in
// the last column. A lead byte that ends the line counts too, as the buffer
// puts it.
bool takes_two_cells(const std::string &text, size_t at) {
    auto bytes = reinterpret_cast<const unsigned char *>(text.data());
    if (!is_utf8()) return is_lead_byte(bytes[at]);
    return bytes[at] >= 0x80 &&
           code_point_columns(utf8_next(bytes + at, text.size() - at).code) == 2;
}

// The bytes that draw cells: a code point's UTF-8, a code page's byte.
std::string cell_bytes(const Cells &cells) {
    std::string bytes;
    bool utf8 = is_utf8();
    for (char32_t cell : cells) {
        if (cell == WIDE_TRAIL) continue;
        if (utf8)
            utf8_append(cell, bytes);
        else
            bytes += static_cast<char>(cell);
    }
    return bytes;
}

// Each edit marks the first byte it changed; showing it lays out and
// echoes from there on only, so that a key costs what it changes on the
// screen, whatever the length of the line.
class LineEditor {
  public:
    LineEditor(DWORD mode)
        : mode_(mode), echo_((mode & ENABLE_ECHO_INPUT) != 0), insert_(input_insert_mode()),
          history_index_(history().size()) {
        if (echo_) {
            COORD at = cursor();
            origin_row_ = at.Y;
            origin_column_ = at.X;
        }
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
    void changed_from(size_t at) { changed_ = std::min(changed_, at); }
    void replace_text(const std::string &text);
    void recall(size_t index);
    void erase(size_t from, size_t to);
    size_t lay_out_from(size_t from, Cells &old_cells);
    bool pair_starts_at(size_t cell) const;
    size_t character_start_at_or_before(size_t cell, size_t offset) const;
    long cell_offset(size_t cell) const;
    bool bring_back_start(size_t cell, size_t old_length, Cells &old_cells);
    void echo_change(size_t cell, const Cells &old_cells);
    void show();
    COORD cell_position(size_t cell) const;
    void move_to_cell(size_t cell);

    DWORD mode_;
    bool echo_;
    bool insert_;
    size_t history_index_;
    std::string text_;
    size_t cursor_ = 0;
    std::string pending_; // a character's first bytes, typed as keys of their own
    long origin_row_ = 0; // above the buffer's top once a long line scrolled it
    int origin_column_ = 0;
    size_t changed_ = SIZE_MAX;     // the first byte changed since the last show
    int width_ = 0;                 // the row width the layout was made for
    Cells cells_;                   // what the line shows as
    std::vector<size_t> starts_{0}; // the cell where each byte begins, and the end
    std::vector<bool> begins_;      // the byte begins a character
};

size_t LineEditor::char_end(size_t at) const {
    if (at >= text_.size()) return text_.size();
    size_t end = at + 1;
    while (end < text_.size() && !begins_[end]) ++end;
    return end;
}

size_t LineEditor::char_start_before(size_t at) const {
    if (at == 0) return 0;
    size_t start = at - 1;
    while (start > 0 && !begins_[start]) --start;
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
    changed_from(0);
    text_ = text;
    cursor_ = text_.size();
}

void LineEditor::recall(size_t index) {
    if (index >= history().size()) return;
    history_index_ = index;
    replace_text(history()[index]);
}

void LineEditor::erase(size_t from, size_t to) {
    if (to > from) changed_from(from);
    text_.erase(from, to - from);
    cursor_ = from;
}

void LineEditor::insert_bytes(const char *bytes, size_t count) {
    changed_from(cursor_);
    if (!insert_ && cursor_ < text_.size()) text_.erase(cursor_, char_end(cursor_) - cursor_);
    text_.insert(cursor_, bytes, count);
    cursor_ += count;
}

// A character of several bytes comes as a key event for each; it enters the
// line whole. A UTF-8 one that breaks off enters not at all: the line never
// holds half a character.
void LineEditor::apply_character(char ch) {
    auto byte = static_cast<unsigned char>(ch);
    if (is_utf8() && (byte >= 0x80 || !pending_.empty())) {
        pending_ += ch;
        auto bytes = reinterpret_cast<const unsigned char *>(pending_.data());
        Utf8Char c = utf8_next(bytes, pending_.size());
        if (c.cut_short) return;
        std::string character = pending_.substr(0, c.length);
        bool broke_off = c.length < pending_.size();
        pending_.clear();
        if (c.valid) insert_bytes(character.data(), character.size());
        if (broke_off) apply_character(ch);
        return;
    }
    if (!pending_.empty()) {
        char pair[2] = {pending_[0], ch};
        pending_.clear();
        insert_bytes(pair, 2);
        return;
    }
    if (is_lead_byte(byte)) {
        pending_ = ch;
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
            size_t end = text_.size() + char_length(last, text_.size());
            changed_from(text_.size());
            text_.append(last, text_.size(), end - text_.size());
            cursor_ = text_.size(); // past the one character copied
            return true;
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
        move_to_cell(cells_.size());
        echo("\r\n", 2);
        echo_transcript(cell_bytes(cells_) + "\r\n");
        history_add(text_);
    }
    return text_ + ((mode_ & ENABLE_PROCESSED_INPUT) ? "\r\n" : "\r");
}

COORD LineEditor::cell_position(size_t cell) const {
    COORD size = buffer_size();
    // A cell scrolled off the top is shown at the top left.
    long linear = std::clamp(cell_offset(cell), 0L, static_cast<long>(size.X) * size.Y - 1);
    return COORD{static_cast<SHORT>(linear % size.X), static_cast<SHORT>(linear / size.X)};
}

void LineEditor::move_to_cell(size_t cell) {
    COORD target = cell_position(cell);
    COORD now = cursor();
    if (target.X != now.X || target.Y != now.Y) set_cursor(target);
}

// Lays the line out again from byte `from` on (a character's first byte);
// returns the cell where the new layout begins, and old_cells receives the
// cells that stood from there on before.
size_t LineEditor::lay_out_from(size_t from, Cells &old_cells) {
    int width = buffer_size().X;
    if (width != width_) from = 0; // tabs stand where the row width puts them
    width_ = width;
    from = std::min(from, starts_.size() - 1);
    // From the character before: a two-cell character that changed may
    // leave a blank it pushed into the last column behind.
    while (from > 0 && !begins_[--from]) {
    }
    size_t cell = starts_[from];
    old_cells.assign(cells_, cell, Cells::npos);
    cells_.resize(cell);
    starts_.resize(from);
    begins_.resize(from);
    size_t first_column = static_cast<size_t>(origin_column_);
    for (size_t i = from; i < text_.size();) {
        size_t length = char_length(text_, i);
        // A two-cell character does not start in the last column: the
        // console leaves a blank there and puts it whole on the next row.
        size_t column = (first_column + cells_.size()) % static_cast<size_t>(width);
        if (width > 1 && column == static_cast<size_t>(width - 1) && takes_two_cells(text_, i))
            cells_ += U' ';
        starts_.insert(starts_.end(), length, cells_.size());
        begins_.push_back(true);
        begins_.insert(begins_.end(), length - 1, false);
        lay_out_character(text_, i, length, first_column + cells_.size(), width, cells_);
        i += length;
    }
    starts_.push_back(cells_.size());
    return cell;
}

// A character of two cells starts at this cell: a lead byte, or a wide
// character in UTF-8.
bool LineEditor::pair_starts_at(size_t cell) const {
    if (cell + 1 >= cells_.size()) return false;
    if (is_utf8()) return cells_[cell + 1] == WIDE_TRAIL;
    return cells_[cell] < 0x100 && is_lead_byte(static_cast<unsigned char>(cells_[cell]));
}

// Of the cells from `cell` (a character's first) on, the start of the one
// that holds cell + `offset`: never the second half of a double-byte
// character, which cannot be written alone. Returns an offset from `cell`.
size_t LineEditor::character_start_at_or_before(size_t cell, size_t offset) const {
    size_t start = 0;
    for (;;) {
        size_t next = start + (pair_starts_at(cell + start) ? 2 : 1);
        if (next > offset) return start;
        start = next;
    }
}

// Where a cell of the line is now, as an offset from the buffer's first
// cell: negative once a long line has scrolled its start off the top.
long LineEditor::cell_offset(size_t cell) const {
    return origin_row_ * buffer_size().X + origin_column_ + static_cast<long>(cell);
}

// A line whose start scrolled off the top comes back once it is short
// enough, as far as the top row, rather than staying out of sight: its start
// goes to the lowest row that keeps its end in the buffer. Returns whether
// it moved, and then what stood there before: `old_length` cells of the old
// echo, from cell 0 on, are all to be drawn again.
bool LineEditor::bring_back_start(size_t cell, size_t old_length, Cells &old_cells) {
    if (origin_row_ >= 0) return false;
    COORD size = buffer_size();
    long end_row = (origin_column_ + static_cast<long>(cells_.size())) / size.X;
    long row = std::min(0L, static_cast<long>(size.Y) - 1 - end_row);
    if (row <= origin_row_) return false;
    long old_end = cell_offset(cell + old_length);
    origin_row_ = row;
    // No laid-out cell is a NUL, so each of these counts as changed.
    old_cells.assign(static_cast<size_t>(std::max(old_end - cell_offset(0), 0L)), U'\0');
    return true;
}

// Writes the cells from `cell` on where they differ from old_cells, and
// blanks where the line got shorter.
void LineEditor::echo_change(size_t cell, const Cells &old_cells) {
    Cells moved;
    if (bring_back_start(cell, old_cells.size(), moved)) {
        echo_change(0, moved);
        return;
    }
    size_t new_length = cells_.size() - cell;
    size_t same = 0;
    while (same < new_length && same < old_cells.size() && cells_[cell + same] == old_cells[same])
        ++same;
    same = character_start_at_or_before(cell, same);
    size_t longest = std::max(new_length, old_cells.size());
    if (same == longest) return;
    Cells out = cells_.substr(cell + same);
    if (old_cells.size() > new_length) out.append(old_cells.size() - new_length, U' ');
    // The cells that scrolled off the top are gone: only the rest is drawn.
    size_t gone = static_cast<size_t>(
        std::clamp(-cell_offset(cell + same), 0L, static_cast<long>(out.size())));
    out.erase(0, gone);
    move_to_cell(cell + same + gone);
    COORD size = buffer_size();
    long expected_row = origin_row_ + (origin_column_ + static_cast<long>(cell + longest)) / size.X;
    std::string bytes = cell_bytes(out);
    echo(bytes.data(), bytes.size());
    long scrolled = expected_row - cursor().Y; // the buffer scrolled under the line
    if (scrolled > 0) origin_row_ -= scrolled;
}

// Echoes the cells from the first one that changed, so that typing at the
// end of a line echoes just the character typed.
void LineEditor::show() {
    if (changed_ != SIZE_MAX || width_ != buffer_size().X) {
        size_t from = std::min(changed_, text_.size());
        changed_ = SIZE_MAX;
        Cells old_cells;
        size_t cell = lay_out_from(from, old_cells);
        if (echo_) echo_change(cell, old_cells);
    }
    if (echo_) move_to_cell(starts_[cursor_]);
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

} // namespace posix_console
