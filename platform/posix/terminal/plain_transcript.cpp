// The plain transcript: cells are counted as the screen buffer counts them,
// one per byte (in UTF-8 one or two per character), so that a line breaks
// where the console's width would end it.
#include "plain_transcript.h"

#include <algorithm>

#include "unicode.h"

namespace posix_console {

namespace {

constexpr int TAB_STOP = 8;
constexpr char LINE_END[] = "\r\n";

// Big5 trail bytes are all at 0x40 or above: a lower byte after a lead byte
// is a byte of its own.
bool can_be_trail(unsigned char byte) {
    return byte >= 0x40;
}

} // namespace

void PlainTranscript::write(const unsigned char *bytes, size_t count, int width, std::string &out) {
    for (size_t i = 0; i < count; ++i) write_byte(bytes[i], width, out);
}

void PlainTranscript::write_byte(unsigned char byte, int width, std::string &out) {
    if (codepage_->is_utf8() && (byte >= 0x80 || !utf8_pending_.empty()))
        return write_utf8_byte(byte, width, out);
    if (lead_pending_) {
        lead_pending_ = false;
        if (can_be_trail(byte)) {
            converter_.append(&byte, 1, out); // its cell was counted with the lead
            return;
        }
    }
    switch (byte) {
    case ' ':
    case '\0': ++held_blanks_; return;
    case '\a': return;
    case '\b':
        converter_.append(&byte, 1, out);
        if (column_ > 0) --column_;
        return;
    case '\r':
        release_blanks(width, out);
        converter_.append(&byte, 1, out);
        column_ = 0;
        return;
    case '\n':
        release_blanks(width, out);
        converter_.append(&byte, 1, out);
        empty_lines_ = line_open_ ? 0 : empty_lines_ + 1;
        line_open_ = false;
        column_ = 0;
        wrote_anything_ = true;
        return;
    case '\t':
        release_blanks(width, out);
        // As on the screen, a tab stops at the right edge.
        if (column_ >= width) end_line(out);
        put_cells(&byte, 1, std::min(TAB_STOP - column_ % TAB_STOP, width - column_), width, out);
        return;
    default: break;
    }
    release_blanks(width, out);
    bool lead = codepage_->is_lead_byte(byte);
    put_cells(&byte, 1, lead ? 2 : 1, width, out);
    lead_pending_ = lead;
}

// A UTF-8 character goes out once whole, as the text it is (an invalid one
// as U+FFFD); a byte that broke one is then a byte of its own.
void PlainTranscript::write_utf8_byte(unsigned char byte, int width, std::string &out) {
    utf8_pending_ += static_cast<char>(byte);
    auto bytes = reinterpret_cast<const unsigned char *>(utf8_pending_.data());
    Utf8Char c = utf8_next(bytes, utf8_pending_.size());
    if (c.cut_short) return;
    std::string text;
    utf8_append(c.code, text);
    bool broken_by_this_byte = c.length < utf8_pending_.size();
    utf8_pending_.clear();
    release_blanks(width, out);
    put_cells(reinterpret_cast<const unsigned char *>(text.data()), text.size(),
              code_point_columns(c.code) == 2 ? 2 : 1, width, out);
    if (broken_by_this_byte) write_byte(byte, width, out);
}

void PlainTranscript::set_codepage(CodePage &codepage) {
    codepage_ = &codepage;
    converter_.set_codepage(codepage);
    lead_pending_ = false;
    utf8_pending_.clear();
}

// A character that would pass the console's right edge starts a new line.
void PlainTranscript::put_cells(const unsigned char *bytes, size_t count, int cells, int width,
                                std::string &out) {
    if (column_ > 0 && column_ + cells > width) end_line(out);
    converter_.append(bytes, count, out);
    column_ += cells;
    line_open_ = true;
    empty_lines_ = 0;
    wrote_anything_ = true;
}

void PlainTranscript::release_blanks(int width, std::string &out) {
    static constexpr unsigned char blank = ' ';
    for (; held_blanks_ > 0; --held_blanks_) put_cells(&blank, 1, 1, width, out);
}

void PlainTranscript::end_line(std::string &out) {
    out += LINE_END;
    column_ = 0;
    line_open_ = false;
}

void PlainTranscript::cursor_moved(bool other_row, std::string &out) {
    held_blanks_ = 0;
    if (other_row && line_open_) end_line(out);
}

void PlainTranscript::screen_cleared(std::string &out) {
    held_blanks_ = 0;
    if (line_open_) end_line(out);
    if (wrote_anything_ && empty_lines_ == 0) {
        out += LINE_END;
        empty_lines_ = 1;
    }
}

// Blanks still held at exit end no text: they stay out.
void PlainTranscript::finish(std::string &out) {
    if (!utf8_pending_.empty()) {
        static constexpr unsigned char replacement[] = {0xEF, 0xBF, 0xBD};
        converter_.append(replacement, sizeof replacement, out);
        utf8_pending_.clear();
    }
    converter_.finish(out);
}

} // namespace posix_console
