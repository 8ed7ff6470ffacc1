// The screen buffer model: processed output as the Windows console does it
// (default output mode: processed output, wrap at end of line), region
// writes and reads, cursor and attribute.
#include "screen_buffer.h"

#include <algorithm>

namespace posix_console {

namespace {

constexpr unsigned char BLANK = ' ';
constexpr int TAB_STOP = 8;

} // namespace

ScreenBuffer::ScreenBuffer(int columns, int rows) {
    reset(columns, rows);
}

void ScreenBuffer::reset(int columns, int rows) {
    columns_ = std::max(columns, 1);
    rows_ = std::max(rows, 1);
    top_ = 0;
    ++version_;
    cursor_ = {0, 0};
    attribute_ = DEFAULT_ATTRIBUTE;
    cells_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_),
                  Cell{BLANK, DEFAULT_ATTRIBUTE});
}

bool ScreenBuffer::contains(COORD position) const {
    return position.X >= 0 && position.Y >= 0 && position.X < columns_ && position.Y < rows_;
}

bool ScreenBuffer::set_cursor(COORD position) {
    if (!contains(position)) return false;
    ++version_;
    cursor_ = position;
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

Cell *ScreenBuffer::row(int index) {
    return &cells_[cell_index(index, 0)];
}

size_t ScreenBuffer::write_processed(const unsigned char *bytes, size_t count) {
    ++version_;
    size_t bells = 0;
    for (size_t i = 0; i < count; ++i) {
        switch (bytes[i]) {
        case '\r': cursor_.X = 0; break;
        case '\n': line_feed(); break;
        case '\b':
            if (cursor_.X > 0) --cursor_.X;
            break;
        case '\t': write_tab(); break;
        case '\a': ++bells; break;
        case '\0': put_byte(BLANK); break;
        // Every other byte, control bytes included, is stored as it is; the
        // renderer draws control bytes as their code page 437 glyphs.
        default: put_byte(bytes[i]); break;
        }
    }
    return bells;
}

// Blanks in the attribute in force up to the next tab stop; reaching the
// last column wraps like any other text.
void ScreenBuffer::write_tab() {
    int blanks = std::min(TAB_STOP - cursor_.X % TAB_STOP, columns_ - cursor_.X);
    for (int i = 0; i < blanks; ++i) put_byte(BLANK);
}

// Writing the last column wraps at once: the console has no delayed wrap.
void ScreenBuffer::put_byte(unsigned char byte) {
    row(cursor_.Y)[cursor_.X] = Cell{byte, attribute_};
    if (++cursor_.X == columns_) line_feed();
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
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n, [&](Cell &cell, DWORD i) { cell.byte = bytes[i]; });
    return n;
}

DWORD ScreenBuffer::write_attributes(COORD at, const WORD *attributes, DWORD count) {
    ++version_;
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n, [&](Cell &cell, DWORD i) { cell.attribute = attributes[i]; });
    return n;
}

DWORD ScreenBuffer::read_bytes(COORD at, unsigned char *bytes, DWORD count) const {
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n, [&](const Cell &cell, DWORD i) { bytes[i] = cell.byte; });
    return n;
}

DWORD ScreenBuffer::read_attributes(COORD at, WORD *attributes, DWORD count) const {
    DWORD n = cells_from(at, count);
    visit_cells(*this, at, n, [&](const Cell &cell, DWORD i) { attributes[i] = cell.attribute; });
    return n;
}

} // namespace posix_console
