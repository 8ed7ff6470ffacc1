// The renderer: turns the screen buffer into the escape sequences that bring
// a terminal from what it shows to what the buffer holds. It keeps its own
// copy of the terminal's cells, colours and cursor, sends only cells that
// changed, and appends to a byte buffer; it never writes anywhere itself.
//
// Sequences it sends (ECMA-48 / VT100):
// clang-format off
//   CSI m, CSI 0;...m, CSI 30-37/90-97/39 m, CSI 40-47/100-107/49 m  colours
//   CSI row;col H (CSI H for the top left)                          cursor to a cell
//   CSI n A, CSI n B, CSI n C, CSI n D (n omitted for 1),
//   CR, CR LF, BS                                                   short moves
//   CSI 2 J                                 clear (at start, after a resize or resume)
//   CSI ? 25 h                              cursor shown (the terminal given back)
//   BEL                                     the bell
// and, from terminal.cpp as it takes and gives back the terminal:
//   CSI ? 2004 h / l                        bracketed paste on / off
//   CSI ? 9001 h / l                        win32-input-mode on / off
// clang-format on
#pragma once

#include <string>
#include <vector>

#include "cells.h"
#include "codepage.h"

namespace posix_console {

// Terminal colours: -1 is the terminal's own default, 0-15 the SGR colour
// numbers (0-7 normal, 8-15 bright).
struct Pen {
    int foreground;
    int background;
    bool operator==(const Pen &) const = default;
};

inline constexpr Pen DEFAULT_PEN = {-1, -1};

// Windows colour bits (1 blue, 2 green, 4 red, 8 intensity; background in
// bits 4-7) to terminal colours. Light grey text (7) is the terminal's
// default foreground and black background (0) its default background, so
// 0x07 shows in the terminal's own colours; every other value is an SGR
// colour, the intensity bit choosing the bright set (90-97, 100-107). The
// high byte of the attribute is not shown.
Pen pen_of(WORD attribute);

// The shortest SGR sequence that takes a terminal from one pen to another;
// nothing when they are equal. A reset (CSI m) also resets the background.
void append_pen_change(Pen from, Pen to, std::string &out);

// Where the terminal's cursor is; unknown after text reached the last
// column (the terminal may be holding a pending wrap).
struct CursorPlace {
    int row;
    int column;
    bool known;
};

// The shortest sequence that moves the cursor from one place to another.
void append_cursor_move(CursorPlace from, int row, int column, std::string &out);

class Renderer {
  public:
    // The terminal is cleared now: appends the clear and records a blank
    // screen of the given size in default colours, cursor at the top left.
    void clear(int columns, int rows, std::string &out);

    // Appends what brings the terminal to the screen's cells, clipped to the
    // terminal's size, and puts the cursor where the screen has it.
    void render(const CellRows &screen, CodePage &codepage, std::string &out);

    // The bytes that give the terminal back: colours reset, cursor shown,
    // on a fresh line below the last output.
    std::string restore_text() const;

    bool cleared() const { return columns_ > 0; }
    // The terminal's size as the last clear found it.
    int columns() const { return columns_; }
    int rows() const { return rows_; }

  private:
    enum class Role : unsigned char { Single, Lead, Trail };
    struct Unit {
        int column;
        int width;
    };

    void find_roles(const Cell *cells, int count, CodePage &codepage, std::vector<Role> &roles);
    bool unit_changed(const Cell *cells, const Cell *shown, Unit unit) const;
    void draw_unit(int row, const Cell *cells, Unit unit, CodePage &codepage, std::string &out);
    bool bridge_gap(int row, const Cell *cells, int column, CodePage &codepage, std::string &out);
    void draw_glyph(std::string_view glyph, WORD attribute, int columns, std::string &out);
    void move_to(int row, int column, std::string &out);
    int last_output_row() const;

    int columns_ = 0;
    int rows_ = 0;
    std::vector<Cell> shown_;
    Pen pen_ = DEFAULT_PEN;
    CursorPlace cursor_ = {0, 0, false};
    std::vector<Role> new_roles_;
    std::vector<Role> old_roles_;
    std::string glyph_; // a UTF-8 cell's glyph, built for drawing
};

} // namespace posix_console
