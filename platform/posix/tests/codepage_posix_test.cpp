// Code page conversion: Big5 (950) and 437 through iconv, the glyphs of the
// control bytes, unconvertible bytes, the environment variable, and the
// plain-text converter.
#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "codepage.h"

namespace posix_console {
namespace {

const std::string REPLACEMENT = "\xEF\xBF\xBD";

std::string plain(CodePage &codepage, const std::string &text) {
    PlainTextConverter converter(codepage);
    std::string out;
    converter.append(reinterpret_cast<const unsigned char *>(text.data()), text.size(), out);
    converter.finish(out);
    return out;
}

TEST(CodePage950, EllipsisIsADoubleByteCharacter) {
    CodePage big5(950);
    ASSERT_TRUE(big5.supported());
    EXPECT_TRUE(big5.is_lead_byte(0xA1));
    EXPECT_EQ(big5.pair_glyph(0xA1, 0x4B), "\xE2\x80\xA6");
    EXPECT_EQ(big5.pair_glyph(0xA4, 0x40), "\xE4\xB8\x80");
    EXPECT_EQ(big5.pair_glyph(0xA1, 0x0A), "") << "a control byte is no trail byte";
}

TEST(CodePage950, AsciiIsItselfAndStrayBytesAreReplaced) {
    CodePage big5(950);
    EXPECT_EQ(big5.glyph('A'), "A");
    EXPECT_EQ(big5.glyph(' '), " ");
    EXPECT_FALSE(big5.is_lead_byte('A'));
    EXPECT_EQ(big5.glyph(0x80), REPLACEMENT);
    EXPECT_EQ(big5.glyph(0xFF), REPLACEMENT);
}

struct GlyphCase {
    unsigned char byte;
    const char *utf8;
};

TEST(ControlGlyphs, AreCodePage437PicturesInEveryCodePage) {
    const GlyphCase cases[] = {
        {0x00, " "},      {0x01, "\u263A"}, {0x03, "\u2665"}, {0x07, "\u2022"},
        {0x08, "\u25D8"}, {0x0A, "\u25D9"}, {0x0D, "\u266A"}, {0x1B, "\u2190"},
        {0x1F, "\u25BC"}, {0x7F, "\u2302"}, {0x14, "\u00B6"}, {0x15, "\u00A7"},
    };
    for (unsigned number : {950u, 437u}) {
        CodePage codepage(number);
        for (const GlyphCase &c : cases) {
            EXPECT_EQ(codepage.glyph(c.byte), c.utf8) << number << " byte " << int(c.byte);
        }
    }
}

TEST(CodePage437, UpperHalfIsItsOwnSingleByteCharacters) {
    CodePage oem(437);
    ASSERT_TRUE(oem.supported());
    EXPECT_EQ(oem.glyph(0x82), "\u00E9");
    EXPECT_EQ(oem.glyph(0xB0), "\u2591");
    EXPECT_EQ(oem.glyph(0xDB), "\u2588");
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_FALSE(oem.is_lead_byte(static_cast<unsigned char>(byte)));
    }
}

TEST(CodePageUnknown, ShowsAsciiAndReplacesTheRest) {
    CodePage unknown(54321);
    EXPECT_FALSE(unknown.supported());
    EXPECT_EQ(unknown.glyph('z'), "z");
    EXPECT_EQ(unknown.glyph(0xC0), REPLACEMENT);
    EXPECT_EQ(unknown.glyph(0x01), "\u263A");
}

TEST(CodePageEnvironment, PicksTheNumberedCodePageOrSaysWhichItUsesInstead) {
    const char *saved = getenv(CODEPAGE_VARIABLE);
    std::string old = saved ? saved : "";
    const struct {
        const char *value;
        unsigned number;
    } cases[] = {
        {"437", 437},   {"437 ", 437},    {" 850", 850},  {"932", 932},   {"1252", 1252},
        {"cp437", 950}, {"65001", 65001}, {"1200", 950},  {"54936", 950}, {"1047", 950},
        {"930", 950},   {"0", 950},       {"99999", 950},
    };
    for (const auto &c : cases) {
        setenv(CODEPAGE_VARIABLE, c.value, 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(codepage_from_environment(), c.number) << c.value;
        EXPECT_EQ(codepage_from_environment(), c.number) << c.value;
        std::string said = ::testing::internal::GetCapturedStderr();
        std::string expected = c.number == 950 ? "conrt: CONRT_CODEPAGE=\"" + std::string(c.value) +
                                                     "\" is not a supported code page; using "
                                                     "code page 950\n"
                                               : "";
        EXPECT_EQ(said, expected) << "said once: " << c.value;
    }
    setenv(CODEPAGE_VARIABLE, "", 1);
    EXPECT_EQ(codepage_from_environment(), 950u);
    unsetenv(CODEPAGE_VARIABLE);
    EXPECT_EQ(codepage_from_environment(), 950u);
    if (saved) setenv(CODEPAGE_VARIABLE, old.c_str(), 1);
}

TEST(GlyphColumns, WideOnlyForEastAsianWideCharacters) {
    EXPECT_EQ(glyph_columns("A"), 1);
    EXPECT_EQ(glyph_columns("\xE2\x80\xA6"), 1);
    EXPECT_EQ(glyph_columns("\xE4\xB8\x80"), 2);
    EXPECT_EQ(glyph_columns("\xEF\xBC\xA1"), 2); // fullwidth A
    // Big5's small form variants and vertical forms (A1 7E, U+FE5A).
    EXPECT_EQ(glyph_columns("\xEF\xB9\x9A"), 2);
    EXPECT_EQ(glyph_columns("\xEF\xB8\x90"), 2); // U+FE10
}

// Columns a terminal gives a UTF-8 text, by the C library's UTF-8 tables.
int terminal_columns(const std::string &utf8) {
    locale_t utf8_locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    locale_t before = uselocale(utf8_locale);
    std::vector<wchar_t> wide(utf8.size() + 1);
    size_t count = mbstowcs(wide.data(), utf8.c_str(), wide.size());
    int columns = count == static_cast<size_t>(-1) ? -1 : wcswidth(wide.data(), count);
    uselocale(before);
    freelocale(utf8_locale);
    return columns;
}

// Every byte of an accepted code page is one character in one cell: its
// glyph takes one column of the terminal (a combining mark stands on a base
// of its own), and none is held back waiting for a mark.
TEST(CodePages, EveryByteOfEveryAcceptedPageTakesOneColumn) {
    const unsigned listed[] = {437,  850,  874,  932,  936,  949,  950,  1250,
                               1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
    const unsigned others[] = {737, 775, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869};
    std::vector<unsigned> pages(std::begin(listed), std::end(listed));
    for (unsigned number : others) {
        if (CodePage(number).supported()) pages.push_back(number);
    }
    for (unsigned number : pages) {
        CodePage codepage(number);
        ASSERT_TRUE(codepage.supported()) << number;
        for (unsigned byte = 0; byte < 256; ++byte) {
            if (codepage.is_lead_byte(static_cast<unsigned char>(byte))) continue;
            std::string glyph(codepage.glyph(static_cast<unsigned char>(byte)));
            EXPECT_EQ(terminal_columns(glyph), 1) << "code page " << number << " byte " << byte;
        }
    }
}

TEST(CodePages, MarksOfSingleBytePagesStandAlone) {
    CodePage vietnamese(1258);
    EXPECT_EQ(vietnamese.glyph(0xC0), "\u00C0");
    EXPECT_EQ(vietnamese.glyph(0xD2), "\u00A0\u0309"); // combining hook above
    CodePage hebrew(1255);
    EXPECT_EQ(plain(hebrew, "\xE0\xC0|"), "\u05D0\u00A0\u05B0|"); // alef, sheva
}

struct PlainCase {
    const char *name;
    std::string bytes;
    std::string utf8;
};

TEST(PlainText, ConvertsAsTheConsoleShowsIt) {
    CodePage big5(950);
    const PlainCase cases[] = {
        {"line ends and tab pass", "a\r\n\tb\b", "a\r\n\tb\b"},
        {"bell is dropped", "a\ab", "ab"},
        {"nul is a blank", std::string("a\0b", 3), "a b"},
        {"escape is a glyph", "\x1b[1m", "\u2190[1m"},
        {"Big5 pair",
         "1\xA1\x4B"
         "2",
         "1\u20262"},
        {"lead at the end", "x\xA1", "x" + REPLACEMENT},
        {"lead before a non-trail", "\xA1\n", REPLACEMENT + "\n"},
        {"stray byte", "\x80", REPLACEMENT},
    };
    for (const PlainCase &c : cases) EXPECT_EQ(plain(big5, c.bytes), c.utf8) << c.name;
}

TEST(PlainText, PairSplitAcrossTwoWritesStaysOneCharacter) {
    CodePage big5(950);
    PlainTextConverter converter(big5);
    std::string out;
    converter.append(reinterpret_cast<const unsigned char *>("a\xA1"), 2, out);
    EXPECT_EQ(out, "a");
    converter.append(reinterpret_cast<const unsigned char *>("\x4B"), 1, out);
    EXPECT_EQ(out, "a\u2026");
}

// In UTF-8 the text passes as it is, each longest broken start of a
// character one U+FFFD, and a character cut between two writes is joined:
// wherever the writes split it, the text shows the same.
TEST(PlainText, Utf8ShowsTheSameWhereverTheWritesSplitIt) {
    CodePage utf8(UTF8_CODEPAGE);
    const std::string text =
        "na\xC3\xAFve \xE4\xB8\xAD\xF0\x9F\x98\x80\a|\xE0\x80\xC3|\xED\xA0\x80\xC2\x9B";
    const std::string R = REPLACEMENT;
    const std::string shown = "na\u00EFve \u4E2D\U0001F600|" + R + R + R + "|" + R + R + R + R;
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        PlainTextConverter converter(utf8);
        std::string out;
        converter.append(reinterpret_cast<const unsigned char *>(text.data()), cut, out);
        converter.append(reinterpret_cast<const unsigned char *>(text.data()) + cut,
                         text.size() - cut, out);
        converter.finish(out);
        EXPECT_EQ(out, shown) << "cut at " << cut;
    }
    EXPECT_EQ(plain(utf8, "x\xF0\x9F"), "x" + R) << "a start left at the end";
}

} // namespace
} // namespace posix_console
