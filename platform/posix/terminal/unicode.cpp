// Character widths through the C library's UTF-8 locale, switched for the
// calling thread only, so the program's own locale is never touched.
#include "unicode.h"

#include <locale.h>
#include <wchar.h>

namespace posix_console {
namespace {

// The built-in UTF-8 locale of the C library; null when it has none.
locale_t utf8_locale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return l ? l : newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
    }();
    return locale;
}

// Without a UTF-8 locale: the blocks of the wide scripts, nothing zero-width.
bool in_wide_block(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE10 && c <= 0xFE19) || (c >= 0xFE30 && c <= 0xFE6F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
           (c >= 0x1F300 && c <= 0x1F64F) || (c >= 0x1F900 && c <= 0x1F9FF) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

int code_point_columns(char32_t c) {
    if (c < 0x7F) return 1;
    locale_t utf8 = utf8_locale();
    if (utf8 == static_cast<locale_t>(0)) return in_wide_block(c) ? 2 : 1;
    locale_t before = uselocale(utf8);
    int width = wcwidth(static_cast<wchar_t>(c));
    uselocale(before);
    return width < 0 ? 1 : width; // unassigned: one column, as terminals draw it
}

char32_t utf8_first(std::string_view utf8) {
    if (utf8.empty()) return 0;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (utf8.size() <= static_cast<size_t>(extra)) return 0xFFFD;
    char32_t code = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) code = (code << 6) | (byte(i) & 0x3F);
    return code;
}

namespace {

// How many bytes follow a lead byte, and the range its first follower must
// lie in (which rules out overlong forms, surrogates and values beyond
// U+10FFFF); 0 for a byte that leads nothing.
int followers(unsigned char lead, unsigned char &low, unsigned char &high) {
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
        return 3;
    }
    return 0;
}

} // namespace

Utf8Char utf8_next(const unsigned char *bytes, size_t length) {
    unsigned char lead = bytes[0];
    if (lead < 0x80) return {lead, 1, true, false};
    unsigned char low, high;
    int extra = followers(lead, low, high);
    if (extra == 0) return {REPLACEMENT_CHARACTER, 1, false, false};
    char32_t code = lead & (0x3F >> extra);
    for (size_t i = 1; i <= static_cast<size_t>(extra); ++i) {
        if (i >= length) return {REPLACEMENT_CHARACTER, i, false, true};
        unsigned char b = bytes[i];
        bool fits = i == 1 ? b >= low && b <= high : b >= 0x80 && b <= 0xBF;
        if (!fits) return {REPLACEMENT_CHARACTER, i, false, false};
        code = code << 6 | (b & 0x3F);
    }
    return {code, static_cast<size_t>(extra) + 1, true, false};
}

void utf8_append(char32_t c, std::string &out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace posix_console
