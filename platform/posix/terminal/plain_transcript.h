// Plain output (standard output not a terminal) as a transcript a reader can
// follow: the text the program writes, in UTF-8, laid out by what it does on
// the screen. A cursor move to another row ends the line; a clear starts a
// new page, one blank line; blanks that are followed by a cursor move only
// colour cells (a frame) and are left out; a line never grows past the
// console's width. The screen buffer itself is not affected.
#pragma once

#include <stddef.h>

#include <string>

#include "codepage.h"

namespace posix_console {

class PlainTranscript {
  public:
    explicit PlainTranscript(CodePage &codepage) : codepage_(&codepage), converter_(codepage) {}
    // Text from here on is in another code page.
    void set_codepage(CodePage &codepage);

    // Text through processed output on a console `width` cells wide.
    void write(const unsigned char *bytes, size_t count, int width, std::string &out);
    // The cursor moved; `other_row` when it left the row it was on.
    void cursor_moved(bool other_row, std::string &out);
    void screen_cleared(std::string &out);
    // At exit: a pending lead byte goes out; blanks still held back do not.
    void finish(std::string &out);

  private:
    void write_byte(unsigned char byte, int width, std::string &out);
    void write_utf8_byte(unsigned char byte, int width, std::string &out);
    void put_cells(const unsigned char *bytes, size_t count, int cells, int width,
                   std::string &out);
    void release_blanks(int width, std::string &out);
    void end_line(std::string &out);

    CodePage *codepage_;
    PlainTextConverter converter_;
    // Blanks written but not yet shown: they appear only when text follows.
    size_t held_blanks_ = 0;
    // Cells on the current output line, and whether anything is on it.
    int column_ = 0;
    bool line_open_ = false;
    // Empty lines just written, so that clears do not pile up blank lines.
    int empty_lines_ = 0;
    bool wrote_anything_ = false;
    bool lead_pending_ = false;
    std::string utf8_pending_; // the start of a UTF-8 character
};

} // namespace posix_console
