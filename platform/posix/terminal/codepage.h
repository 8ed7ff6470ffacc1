// The console code page: turns the bytes of screen cells and of plain output
// into UTF-8, and typed characters into its bytes, with the C library's iconv. Control bytes are
// shown as their code page 437 glyphs whatever the code page, as the Windows console draws them; a
// byte (or byte pair) that does not convert is shown as U+FFFD.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

#include "unicode.h"

namespace posix_console {

// The environment variable that picks the console code page on Linux, as a
// Windows code page number (CONRT_CODEPAGE=437, blanks around it allowed);
// without it, 950 (Big5). A value that names no supported code page gives
// 950 too, and one line on standard error says so (once for each value).
inline constexpr const char CODEPAGE_VARIABLE[] = "CONRT_CODEPAGE";
inline constexpr unsigned DEFAULT_CODEPAGE = 950;
inline constexpr unsigned UTF8_CODEPAGE = 65001;

unsigned codepage_from_environment();

class CodePage {
  public:
    // A code page that iconv does not know shows ASCII and U+FFFD for the rest.
    explicit CodePage(unsigned number = DEFAULT_CODEPAGE);
    unsigned number() const { return number_; }
    ~CodePage();
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

    // Whether the console can show text in this code page: UTF-8, or one
    // that converts, keeps the printable ASCII bytes (not EBCDIC), and has
    // no character longer than two bytes.
    bool supported();
    // UTF-8 (65001): characters of one to four bytes, read by the console
    // itself; the glyphs below are then those of single bytes only.
    bool is_utf8() const { return utf8_; }
    // A byte that starts a double-byte character in this code page.
    bool is_lead_byte(unsigned char byte) const { return lead_[byte]; }
    const std::array<bool, 256> &lead_bytes() const { return lead_; }
    // UTF-8 of one byte as it shows in a cell.
    std::string_view glyph(unsigned char byte) const { return glyphs_[byte]; }
    // UTF-8 of a double-byte character; empty when the pair does not convert.
    std::string_view pair_glyph(unsigned char lead, unsigned char trail);
    // The code page's bytes (one to four) of a character; 0 when it has no
    // exact form here.
    size_t encode(uint32_t code_point, char out[CHARACTER_BYTES_MAX]);

  private:
    void build_single_byte_glyphs();
    std::string convert(const char *bytes, size_t count, bool *incomplete);

    unsigned number_;
    void *converter_ = nullptr; // iconv_t, to UTF-8
    void *encoder_ = nullptr;   // iconv_t, from UTF-32LE
    std::array<std::string, 256> glyphs_;
    std::array<bool, 256> lead_{};
    std::unordered_map<unsigned, std::string> pairs_;
    bool utf8_ = false;
};

// Columns a terminal gives the first character of a UTF-8 text: 2 for the
// wide characters, 1 otherwise (a zero-width one is drawn on a base).
int glyph_columns(std::string_view utf8);

// Converts text for plain output (standard output not a terminal): CR, LF,
// TAB and BS pass as they are, BEL is dropped (it writes nothing), NUL is a
// blank, other control bytes are their glyphs. A lead byte (or in UTF-8 the
// start of a character) at the end of a text waits for the next one.
class PlainTextConverter {
  public:
    explicit PlainTextConverter(CodePage &codepage) : codepage_(&codepage) {}
    // Converts through another code page from here on; a character begun in
    // the old one is dropped.
    void set_codepage(CodePage &codepage);
    void append(const unsigned char *bytes, size_t count, std::string &out);
    // Ends a pending lead byte (at exit): it shows as U+FFFD.
    void finish(std::string &out);

  private:
    void append_byte(unsigned char byte, std::string &out);
    void append_utf8(const unsigned char *bytes, size_t count, std::string &out);
    CodePage *codepage_;
    int pending_lead_ = -1;
    std::string pending_utf8_; // the start of a character cut by the end of a text
};

} // namespace posix_console
