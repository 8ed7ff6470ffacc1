// The screen buffer model: processed output as the Windows console does it
// (default output mode: processed output, wrap at end of line), region
// writes and reads, cursor and attribute.
#include "screen_buffer.h"

#include <algorithm>

#include "unicode.h"

namespace posix_console {

namespace {

constexpr unsigned char BLANK = ' ';
constexpr int TAB_STOP = 8;

bool is_processed_control(unsigned char byte) {
    return byte == '\r' || byte == '\n' || byte == '\b' || byte == '\t' || byte == '\a' ||
           byte == '\0';
}

} // namespace

ScreenBuffer::ScreenBuffer(int columns, int rows) {
    reset(columns, rows);
}

void ScreenBuffer::reset(int columns, int rows) {
    ConsoleSize size = clamp_console_size(columns, rows);
    columns_ = size.columns;
    rows_ = size.rows;
    top_ = 0;
    ++version_;
    cursor_ = {0, 0};
    attribute_ = DEFAULT_ATTRIBUTE;
    mode_ = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    pending_lead_ = false;
    partial_.clear();
    cells_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_),
                  Cell{BLANK, DEFAULT_ATTRIBUTE});
}

void ScreenBuffer::set_utf8(bool utf8) {
    utf8_ = utf8;
    partial_.clear();
}

bool ScreenBuffer::contains(COORD position) const {
    return position.X >= 0 && position.Y >= 0 && position.X < columns_ && position.Y < rows_;
}

bool ScreenBuffer::set_cursor(COORD position) {
    if (!contains(position)) return false;
    ++version_;
    cursor_ = position;
    pending_lead_ = false;
    return true;
}

size_t ScreenBuffer::cell_index(int row_index, int column) const {
    int stored_row = (top_ + row_index) % rows_;
    return static_cast<size_t>(stored_row) * static_cast<size_t>(columns_) +
           static_cast<size_t>(column);
}

const Cell *ScreenBuffer::row(int index) const {
    return &cells_[cell_index(index, 0)];
}

CellRows ScreenBuffer::cell_rows() const {
    return CellRows{cells_.data(), columns_, rows_, top_, cursor_};
}

Cell *ScreenBuffer::row(int index) {
    return &cells_[cell_index(index, 0)];
}

// Every byte that is not processed, control bytes included, is stored as it
// is; the renderer draws control bytes as their code page 437 glyphs.
size_t ScreenBuffer::write_processed(const unsigned char *bytes, size_t count) {
    ++version_;
    size_t bells = 0;
    bool processed = mode_ & ENABLE_PROCESSED_OUTPUT;
    run_start_ = cursor_.X;
    for (size_t i = utf8_ ? finish_partial(bytes, count) : 0; i < count; ++i) {
        unsigned char byte = bytes[i];
        if (utf8_ && byte >= 0x80) {
            i += put_utf8(bytes + i, count - i) - 1;
            continue;
        }
        if (!processed || !is_processed_control(byte)) {
            put_text_byte(byte);
            continue;
        }
        pending_lead_ = false;
        switch (byte) {
        case '\r': cursor_.X = 0; break;
        case '\n': line_feed(); break;
        case '\b':
            if (cursor_.X > 0) --cursor_.X;
            break;
        case '\t': write_tab(); break;
        case '\a': ++bells; break;
        default: put_cell(BLANK); break; // NUL
        }
        run_start_ = cursor_.X;
    }
    return bells;
}

void ScreenBuffer::put_text_byte(unsigned char byte) {
    if (pending_lead_) {
        pending_lead_ = false;
        put_cell(byte, Half::Trail);
        return;
    }
    if (!lead_[byte]) {
        put_cell(byte);
        return;
    }
    bool wraps = mode_ & ENABLE_WRAP_AT_EOL_OUTPUT;
    if (wraps && columns_ > 1 && cursor_.X == columns_ - 1) put_cell(BLANK);
    put_cell(byte, Half::Lead);
    pending_lead_ = true;
}

// The start of a character kept from the last write takes the bytes it
// needs from this one; returns how many it took. A byte that breaks it is
// left for the text: the start alone shows as U+FFFD.
size_t ScreenBuffer::finish_partial(const unsigned char *bytes, size_t count) {
    size_t taken = 0;
    while (!partial_.empty() && taken < count) {
        partial_ += static_cast<char>(bytes[taken]);
        Utf8Char c =
            utf8_next(reinterpret_cast<const unsigned char *>(partial_.data()), partial_.size());
        if (c.cut_short) {
            ++taken;
            continue;
        }
        if (c.valid) ++taken;
        partial_.clear();
        put_character(c.code);
    }
    return taken;
}

// One character of UTF-8 text (or its start, kept); returns the bytes taken.
size_t ScreenBuffer::put_utf8(const unsigned char *bytes, size_t count) {
    Utf8Char c = utf8_next(bytes, count);
    if (c.cut_short) {
        partial_.assign(reinterpret_cast<const char *>(bytes), count);
        return count;
    }
    put_character(c.code);
    return c.length;
}

// A wide character takes two cells on one row, as a double-byte one does; a
// console one column wide has no room for it.
void ScreenBuffer::put_character(char32_t ch) {
    if (code_point_columns(ch) != 2) return put_cell(ch);
    if (columns_ < 2) return put_cell(REPLACEMENT_CHARACTER);
    bool wraps = mode_ & ENABLE_WRAP_AT_EOL_OUTPUT;
    if (wraps && cursor_.X == columns_ - 1) put_cell(BLANK);
    put_cell(ch, Half::Lead);
    put_cell(ch, Half::Trail);
}

// Blanks in the attribute in force up to the next tab stop; reaching the
// last column wraps like any other text.
void ScreenBuffer::write_tab() {
    int blanks = std::min(TAB_STOP - cursor_.X % TAB_STOP, columns_ - cursor_.X);
    for (int i = 0; i < blanks; ++i) put_cell(BLANK);
}

// Writing the last column wraps at once: the console has no delayed wrap.
// Without wrap the text goes on over the cells where its run began.
void ScreenBuffer::put_cell(char32_t ch, Half half) {
    Cell *cells = row(cursor_.Y);
    break_pair(cells, cursor_.X);
    cells[cursor_.X] = Cell{ch, attribute_, half};
    if (++cursor_.X < columns_) return;
    if (mode_ & ENABLE_WRAP_AT_EOL_OUTPUT)
        line_feed();
    else
        cursor_.X = static_cast<SHORT>(run_start_);
}

// A double-byte character loses both halves or neither: the other half of
// the one at this cell becomes a blank in its own attribute.
void ScreenBuffer::break_pair(Cell *cells, int column) {
    Half half = cells[column].half;
    int other = half == Half::Lead ? column + 1 : column - 1;
    Half partner = half == Half::Lead ? Half::Trail : Half::Lead;
    if (half == Half::None || other < 0 || other >= columns_) return;
    if (cells[other].half != partner) return;
    cells[other].ch = BLANK;
    cells[other].half = Half::None;
}

void ScreenBuffer::break_pairs_at_ends(COORD at, DWORD count) {
    if (count == 0) return;
    size_t last = static_cast<size_t>(at.Y) * static_cast<size_t>(columns_) +
                  static_cast<size_t>(at.X) + count - 1;
    break_pair(row(at.Y), at.X);
    break_pair(row(static_cast<int>(last / static_cast<size_t>(columns_))),
               static_cast<int>(last % static_cast<size_t>(columns_)));
}

void ScreenBuffer::line_feed() {
    cursor_.X = 0;
    if (cursor_.Y + 1 < rows_)
        ++cursor_.Y;
    else
        scroll_up();
}

// The top row goes; the new bottom row is blank in the attribute in force.
void ScreenBuffer::scroll_up() {
    top_ = (top_ + 1) % rows_;
    Cell *bottom = row(rows_ - 1);
    std::fill(bottom, bottom + columns_, Cell{BLANK, attribute_});
}

DWORD ScreenBuffer::cells_from(COORD at, DWORD wanted) const {
    if (!contains(at)) return 0;
    size_t total = static_cast<size_t>(columns_) * static_cast<size_t>(rows_);
    size_t start =
        static_cast<size_t>(at.Y) * static_cast<size_t>(columns_) + static_cast<size_t>(at.X);
    return static_cast<DWORD>(std::min<size_t>(wanted, total - start));
}

// Calls visit(cell, i) for the count cells from `at` on, a row at a time.
template <typename Buffer, typename Visit>
void ScreenBuffer::visit_cells(Buffer &buffer, COORD at, DWORD count, Visit visit) {
    DWORD done = 0;
    int row_index = at.Y;
    int column = at.X;
    while (done < count) {
        auto *cells = buffer.row(row_index);
        DWORD run = std::min<DWORD>(count - done, static_cast<DWORD>(buffer.columns_ - column));
        for (DWORD i = 0; i < run; ++i) visit(cells[column + static_cast<int>(i)], done + i);
        done += run;
        ++row_index;
        column = 0;
    }
}

DWORD ScreenBuffer::write_bytes(COORD at, const unsigned char *bytes, DWORD count) {
    ++version_;
    if (utf8_) return write_utf8_region(at, bytes, count);
    DWORD n = cells_from(at, count);
    break_pairs_at_ends(at, n);
    visit_cells(*this, at, n, [&](Cell &cell, DWORD i) {
        cell.ch = bytes[i];
        cell.half = Half::None;
    });
    return n;
}

// Cell by cell, keeping each cell's attribute; a cut-off start at the end
// is U+FFFD, as the Windows console converts a region write on its own.
DWORD ScreenBuffer::write_utf8_region(COORD at, const unsigned char *bytes, DWORD count) {
    if (!contains(at)) return 0;
    int r = at.Y, c = at.X;
    auto put = [&](char32_t ch, Half half) {
        Cell *cells = row(r);
        break_pair(cells, c);
        cells[c].ch = ch;
        cells[c].half = half;
        if (++c == columns_) {
            c = 0;
            ++r;
        }
    };
    DWORD taken = 0;
    while (taken < count && r < rows_) {
        Utf8Char u = utf8_next(bytes + taken, count - taken);
        if (u.cut_short) u = {REPLACEMENT_CHARACTER, count - taken, false, false};
        bool wide = code_point_columns(u.code) == 2;
        if (wide && columns_ < 2) {
            u.code = REPLACEMENT_CHARACTER;
            wide = false;
        }
        if (wide && c == columns_ - 1) { // never split across rows
            if (r == rows_ - 1) break;
            put(BLANK, Half::None);
        }
        put(u.code, wide ? Half::Lead : Half::None);
        if (wide) put(u.code, Half::Trail);
        taken += static_cast<DWORD>(u.length);
    }
    return taken;
}

DWORD ScreenBuffer::write_attributes(COORD at, const WORD *attributes, DWORD count) {
    ++version_;
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n, [&](Cell &cell, DWORD i) { cell.attribute = attributes[i]; });
    return n;
}

DWORD ScreenBuffer::read_bytes(COORD at, unsigned char *bytes, DWORD count) const {
    if (utf8_) return read_utf8(at, bytes, count);
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n,
                [&](const Cell &cell, DWORD i) { bytes[i] = static_cast<unsigned char>(cell.ch); });
    return n;
}

DWORD ScreenBuffer::read_utf8(COORD at, unsigned char *bytes, DWORD count) const {
    DWORD done = 0;
    bool full = false;
    std::string character;
    visit_cells(*this, at, cells_from(at, count), [&](const Cell &cell, DWORD) {
        if (full || cell.half == Half::Trail) return;
        character.clear();
        utf8_append(cell.ch, character);
        if (done + character.size() > count) {
            full = true;
            return;
        }
        character.copy(reinterpret_cast<char *>(bytes) + done, character.size());
        done += static_cast<DWORD>(character.size());
    });
    return done;
}

std::vector<Cell> ScreenBuffer::read_cells(COORD at, DWORD count) const {
    std::vector<Cell> cells(cells_from(at, count));
    visit_cells(*this, at, static_cast<DWORD>(cells.size()),
                [&](const Cell &cell, DWORD i) { cells[i] = cell; });
    return cells;
}

void ScreenBuffer::write_cells(COORD at, const std::vector<Cell> &cells) {
    ++version_;
    DWORD n = cells_from(at, static_cast<DWORD>(cells.size()));
    visit_cells(*this, at, n, [&](Cell &cell, DWORD i) { cell = cells[i]; });
}

DWORD ScreenBuffer::read_attributes(COORD at, WORD *attributes, DWORD count) const {
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n, [&](const Cell &cell, DWORD i) { attributes[i] = cell.attribute; });
    return n;
}

} // namespace posix_console
