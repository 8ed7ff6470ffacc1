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

} // namespace posix_console
