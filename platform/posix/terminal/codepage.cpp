// Code page conversion through iconv, with the code page 437 glyphs of the
// control bytes and a cache of the double-byte characters already seen.
#include "codepage.h"

#include "unicode.h"

#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>

namespace posix_console {

namespace {

constexpr char REPLACEMENT[] = "\xEF\xBF\xBD"; // U+FFFD

// Code page 437's pictures of the bytes 0x01-0x1F in UTF-8, as the Windows
// console draws control bytes; 0x7F is the house.
constexpr const char *CONTROL_GLYPHS[32] = {
    " ",      "\u263A", "\u263B", "\u2665", "\u2666", "\u2663", "\u2660", "\u2022",
    "\u25D8", "\u25CB", "\u25D9", "\u2642", "\u2640", "\u266A", "\u266B", "\u263C",
    "\u25BA", "\u25C4", "\u2195", "\u203C", "\u00B6", "\u00A7", "\u25AC", "\u21A8",
    "\u2191", "\u2193", "\u2192", "\u2190", "\u221F", "\u2194", "\u25B2", "\u25BC"};
constexpr char DELETE_GLYPH[] = "\u2302";

// C0, DEL and C1: what a terminal would act on rather than show.
bool is_control(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// A character that takes no column (a combining mark of 874, 1255, 1258)
// stands on a base of its own, one cell wide like every other glyph.
std::string on_own_base(const std::string &text) {
    if (text.empty() || code_point_columns(utf8_first(text)) != 0) return text;
    return ZERO_WIDTH_BASE + text;
}

// The number in the variable, blanks around it allowed; 0 when there is none.
unsigned parse_codepage(const char *value) {
    char *end = nullptr;
    unsigned long number = strtoul(value, &end, 10);
    if (end == value) return 0;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' && number <= 65535 ? static_cast<unsigned>(number) : 0;
}

void say_codepage_refused(const char *value) {
    static std::string last_refused;
    if (last_refused == value) return;
    last_refused = value;
    fprintf(stderr, "conrt: %s=\"%s\" is not a supported code page; using code page %u\n",
            CODEPAGE_VARIABLE, value, DEFAULT_CODEPAGE);
}

} // namespace

unsigned codepage_from_environment() {
    const char *value = getenv(CODEPAGE_VARIABLE);
    if (value == nullptr || *value == '\0') return DEFAULT_CODEPAGE;
    unsigned number = parse_codepage(value);
    if (number != 0 && CodePage(number).supported()) return number;
    say_codepage_refused(value);
    return DEFAULT_CODEPAGE;
}

namespace {

// An iconv descriptor, or null where iconv has no such conversion.
void *open_converter(const char *to, const char *from) {
    iconv_t cd = iconv_open(to, from);
    return cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd;
}

// Converts all of in, from the start state; false when iconv stops short
// or only approximates a character (a nonzero count), with errno set.
bool convert_all(void *cd, const char *in, size_t in_size, char *out, size_t &out_size) {
    iconv_t converter = static_cast<iconv_t>(cd);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char *in_ptr = const_cast<char *>(in);
    size_t in_left = in_size;
    char *out_ptr = out;
    size_t out_left = out_size;
    size_t result = iconv(converter, &in_ptr, &in_left, &out_ptr, &out_left);
    // Some converters (1255, 1258) hold a character back in case a combining
    // mark follows; every byte here is a character of its own, so flush it.
    if (result != static_cast<size_t>(-1))
        result = iconv(converter, nullptr, nullptr, &out_ptr, &out_left);
    out_size -= out_left;
    return result == 0 && in_left == 0;
}

} // namespace

CodePage::CodePage(unsigned number) : number_(number), utf8_(number == UTF8_CODEPAGE) {
    char name[16];
    snprintf(name, sizeof name, "CP%u", number);
    converter_ = open_converter("UTF-8", name);
    encoder_ = open_converter(name, "UTF-32LE");
    build_single_byte_glyphs();
}

CodePage::~CodePage() {
    if (converter_) iconv_close(static_cast<iconv_t>(converter_));
    if (encoder_) iconv_close(static_cast<iconv_t>(encoder_));
}

std::string CodePage::convert(const char *bytes, size_t count, bool *incomplete) {
    *incomplete = false;
    if (!converter_) return {};
    char out[16];
    size_t written = sizeof out;
    errno = 0;
    if (!convert_all(converter_, bytes, count, out, written) && errno != 0) {
        *incomplete = errno == EINVAL;
        return {};
    }
    return std::string(out, written);
}

size_t CodePage::encode(uint32_t code_point, char out[CHARACTER_BYTES_MAX]) {
    if (utf8_) {
        if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return 0;
        std::string bytes;
        utf8_append(code_point, bytes);
        bytes.copy(out, bytes.size());
        return bytes.size();
    }
    if (!encoder_) return 0;
    const char in[4] = {static_cast<char>(code_point), static_cast<char>(code_point >> 8),
                        static_cast<char>(code_point >> 16), static_cast<char>(code_point >> 24)};
    char buffer[8];
    size_t written = sizeof buffer;
    if (!convert_all(encoder_, in, sizeof in, buffer, written) || written == 0 || written > 2)
        return 0;
    out[0] = buffer[0];
    if (written == 2) out[1] = buffer[1];
    return written;
}

bool CodePage::supported() {
    if (utf8_) return true;
    if (!converter_) return false;
    for (unsigned byte = 0x20; byte < 0x7F; ++byte) {
        if (glyphs_[byte] != std::string(1, static_cast<char>(byte))) return false;
    }
    // A lead byte whose pair still wants more starts a longer character.
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
        if (!lead_[lead]) continue;
        for (unsigned char trail : {0x30, 0x81, 0xA1}) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            bool incomplete = false;
            convert(in, 2, &incomplete);
            if (incomplete) return false;
        }
    }
    return true;
}

void CodePage::build_single_byte_glyphs() {
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (byte < 0x20) {
            glyphs_[byte] = CONTROL_GLYPHS[byte];
        } else if (byte == 0x7F) {
            glyphs_[byte] = DELETE_GLYPH;
        } else if (byte < 0x80 && (!converter_ || utf8_)) {
            glyphs_[byte] = std::string(1, static_cast<char>(byte));
        } else if (utf8_) {
            glyphs_[byte] = REPLACEMENT; // a byte of UTF-8 alone is no character
        } else {
            char in = static_cast<char>(byte);
            bool incomplete = false;
            std::string text = convert(&in, 1, &incomplete);
            lead_[byte] = incomplete;
            // A glyph must be one character: a byte that maps to a control
            // code or to nothing is shown as the replacement character.
            bool printable = !text.empty() && !is_control(utf8_first(text));
            glyphs_[byte] = printable ? on_own_base(text) : std::string(REPLACEMENT);
        }
    }
}

std::string_view CodePage::pair_glyph(unsigned char lead, unsigned char trail) {
    unsigned key = lead << 8 | trail;
    auto found = pairs_.find(key);
    if (found != pairs_.end()) return found->second;
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    bool incomplete = false;
    std::string text = convert(in, 2, &incomplete);
    if (!text.empty() && is_control(utf8_first(text))) text.clear();
    return pairs_.emplace(key, on_own_base(text)).first->second;
}

int glyph_columns(std::string_view utf8) {
    return code_point_columns(utf8_first(utf8)) == 2 ? 2 : 1;
}

void PlainTextConverter::append(const unsigned char *bytes, size_t count, std::string &out) {
    if (codepage_->is_utf8()) return append_utf8(bytes, count, out);
    for (size_t i = 0; i < count; ++i) append_byte(bytes[i], out);
}

// UTF-8 passes as the text it is; an invalid sequence or a C1 control is
// U+FFFD and a control byte is what it is for any other code page.
void PlainTextConverter::append_utf8(const unsigned char *bytes, size_t count, std::string &out) {
    std::string text = pending_utf8_;
    text.append(reinterpret_cast<const char *>(bytes), count);
    pending_utf8_.clear();
    auto at = reinterpret_cast<const unsigned char *>(text.data());
    for (size_t i = 0; i < text.size();) {
        Utf8Char c = utf8_next(at + i, text.size() - i);
        if (c.cut_short) {
            pending_utf8_.assign(text, i);
            return;
        }
        if (c.code < 0x80) {
            append_byte(static_cast<unsigned char>(c.code), out);
        } else {
            // A C1 control would be a command to a terminal that reads UTF-8.
            utf8_append(c.code < 0xA0 ? REPLACEMENT_CHARACTER : c.code, out);
        }
        i += c.length;
    }
}

void PlainTextConverter::append_byte(unsigned char byte, std::string &out) {
    if (pending_lead_ >= 0) {
        auto lead = static_cast<unsigned char>(pending_lead_);
        pending_lead_ = -1;
        std::string_view pair = codepage_->pair_glyph(lead, byte);
        if (!pair.empty()) {
            out += pair;
            return;
        }
        out += REPLACEMENT;
    }
    switch (byte) {
    case '\r':
    case '\n':
    case '\t':
    case '\b': out += static_cast<char>(byte); return;
    case '\a': return;
    default: break;
    }
    if (codepage_->is_lead_byte(byte)) {
        pending_lead_ = byte;
        return;
    }
    out += codepage_->glyph(byte);
}

void PlainTextConverter::set_codepage(CodePage &codepage) {
    codepage_ = &codepage;
    pending_lead_ = -1;
    pending_utf8_.clear();
}

void PlainTextConverter::finish(std::string &out) {
    if (!pending_utf8_.empty()) out += REPLACEMENT;
    pending_utf8_.clear();
    if (pending_lead_ < 0) return;
    pending_lead_ = -1;
    out += REPLACEMENT;
}

} // namespace posix_console
