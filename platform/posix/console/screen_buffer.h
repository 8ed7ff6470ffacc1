// The console's screen buffer: a grid of cells (character + attribute), the cursor
// and the attribute in force, with the Windows console's processed output and
// its region reads and writes. It knows nothing of terminals.
#pragma once

#include <stddef.h>

#include <array>
#include <string>
#include <vector>

#include "cells.h"
#include "win32_api.h"

namespace posix_console {

class ScreenBuffer {
  public:
    ScreenBuffer(int columns = 80, int rows = 25);

    // Every cell a blank in 0x07, cursor at the top left, attribute 0x07.
    void reset(int columns, int rows);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    COORD cursor() const { return cursor_; }
    WORD attribute() const { return attribute_; }
    void set_attribute(WORD attribute) { attribute_ = attribute; }
    // ENABLE_PROCESSED_OUTPUT and ENABLE_WRAP_AT_EOL_OUTPUT, both on at reset.
    DWORD mode() const { return mode_; }
    void set_mode(DWORD mode) { mode_ = mode; }
    // The code page's lead bytes, which processed output keeps with their
    // trail bytes; none until set, and kept over a reset.
    void set_lead_bytes(const std::array<bool, 256> &lead) { lead_ = lead; }
    // UTF-8 (code page 65001): text is read a character at a time, the start
    // of one cut off by the end of a write kept for the next; kept over a
    // reset, as the lead bytes are.
    void set_utf8(bool utf8);
    bool contains(COORD position) const;
    // Refuses (false, cursor unchanged) a position outside the buffer.
    bool set_cursor(COORD position);

    // Row 0 is the top row as shown; scrolling renumbers rows, not cells.
    const Cell *row(int index) const;
    const Cell &cell(int row_index, int column) const { return row(row_index)[column]; }
    // The rows as they are now, valid until the buffer next changes.
    CellRows cell_rows() const;

    // Stream output in the output mode; returns how many bells (BEL bytes)
    // the text rang. A double-byte character is kept whole: one that would
    // start in the last column leaves a blank there and starts the next row,
    // and writing over either half of one blanks the other.
    size_t write_processed(const unsigned char *bytes, size_t count);

    // Region operations: start at `at`, go on at column 0 of the next rows,
    // stop at the buffer's end, leave the cursor alone, store bytes raw.
    // A start outside the buffer transfers nothing. Each returns the count.
    // In UTF-8 the bytes are characters: a write takes whole ones (a wide one
    // never split across rows) and keeps no cut-off start between calls; a
    // read gives each character's bytes, nothing for a second half, and
    // stops before one that does not fit. Their counts are of bytes.
    DWORD write_bytes(COORD at, const unsigned char *bytes, DWORD count);
    DWORD write_attributes(COORD at, const WORD *attributes, DWORD count);
    DWORD read_bytes(COORD at, unsigned char *bytes, DWORD count) const;
    DWORD read_attributes(COORD at, WORD *attributes, DWORD count) const;
    // Cells as they stand, and put back as they were, up to the buffer's end.
    std::vector<Cell> read_cells(COORD at, DWORD count) const;
    void write_cells(COORD at, const std::vector<Cell> &cells);

    // Counts the changes that can alter what is shown (cells, size, cursor),
    // so that a flush with nothing new costs nothing.
    unsigned long version() const { return version_; }

  private:
    Cell *row(int index);
    size_t cell_index(int row_index, int column) const;
    DWORD cells_from(COORD at, DWORD wanted) const;
    template <typename Buffer, typename Visit>
    static void visit_cells(Buffer &buffer, COORD at, DWORD count, Visit visit);
    void put_text_byte(unsigned char byte);
    size_t finish_partial(const unsigned char *bytes, size_t count);
    size_t put_utf8(const unsigned char *bytes, size_t count);
    void put_character(char32_t ch);
    void put_cell(char32_t ch, Half half = Half::None);
    DWORD write_utf8_region(COORD at, const unsigned char *bytes, DWORD count);
    DWORD read_utf8(COORD at, unsigned char *bytes, DWORD count) const;
    void break_pair(Cell *cells, int column);
    void break_pairs_at_ends(COORD at, DWORD count);
    void write_tab();
    void line_feed();
    void scroll_up();

    int columns_ = 0;
    int rows_ = 0;
    // Index of the buffer row shown as row 0: a scroll moves it instead of
    // moving every cell, which matters for tall buffers (120 x 9001).
    int top_ = 0;
    COORD cursor_ = {0, 0};
    WORD attribute_ = DEFAULT_ATTRIBUTE;
    DWORD mode_ = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    std::array<bool, 256> lead_{};
    // A lead byte was written and its trail byte is the next text byte.
    bool pending_lead_ = false;
    bool utf8_ = false;
    // In UTF-8, the start of a character that a write's end cut off.
    std::string partial_;
    // Where the current run of text began: without wrap, text that reaches
    // the last column goes on from there, as the Windows console does.
    int run_start_ = 0;
    std::vector<Cell> cells_;
    unsigned long version_ = 0;
};

} // namespace posix_console
