// The key decoder: byte sequences from a terminal or script to key events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "key_decoder.h"

using namespace posix_console;

namespace {

// A small stand-in for the console code page: é and 中 have forms, nothing
// else beyond ASCII does.
size_t test_encoder(uint32_t code_point, char out[CHARACTER_BYTES_MAX]) {
    if (code_point == 0xE9) {
        out[0] = static_cast<char>(0x82);
        return 1;
    }
    if (code_point == 0x4E2D) {
        out[0] = static_cast<char>(0xA4);
        out[1] = static_cast<char>(0xA4);
        return 2;
    }
    return 0;
}

DecoderOptions options_for(InputSource source) {
    DecoderOptions options;
    options.source = source;
    options.encode = test_encoder;
    return options;
}

// Decodes all of bytes as one read that nothing follows.
std::vector<INPUT_RECORD> decode_all(const std::string &bytes,
                                     InputSource source = InputSource::Terminal) {
    std::vector<INPUT_RECORD> events;
    DecoderState state;
    size_t taken =
        key_decoder_drain(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), true,
                          options_for(source), state, [&](const DecodedKey &key, DecodeResult r) {
                              EXPECT_EQ(r.status, DecodeStatus::Decoded);
                              events.insert(events.end(), key.events, key.events + key.count);
                          });
    EXPECT_EQ(taken, bytes.size());
    return events;
}

// Feeds bytes one at a time as separate reads, as a slow terminal would,
// never timing out until the end.
std::vector<INPUT_RECORD> decode_bytewise(const std::string &bytes,
                                          InputSource source = InputSource::Terminal) {
    std::vector<INPUT_RECORD> events;
    DecoderState state;
    DecoderOptions options = options_for(source);
    std::string buffer;
    auto drain = [&](bool timed_out) {
        buffer.erase(0, key_decoder_drain(
                            reinterpret_cast<const unsigned char *>(buffer.data()), buffer.size(),
                            timed_out, options, state, [&](const DecodedKey &key, DecodeResult) {
                                events.insert(events.end(), key.events, key.events + key.count);
                            }));
    };
    for (char c : bytes) {
        buffer += c;
        drain(false);
    }
    drain(true);
    EXPECT_TRUE(buffer.empty());
    return events;
}

std::vector<INPUT_RECORD> key_downs(const std::vector<INPUT_RECORD> &events) {
    std::vector<INPUT_RECORD> downs;
    for (const INPUT_RECORD &e : events) {
        if (e.EventType == KEY_EVENT && e.Event.KeyEvent.bKeyDown) downs.push_back(e);
    }
    return downs;
}

bool is_modifier(WORD vk) {
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU;
}

std::string describe(const INPUT_RECORD &e) {
    const KEY_EVENT_RECORD &k = e.Event.KeyEvent;
    char text[96];
    snprintf(text, sizeof text, "%s vk=%02X sc=%02X ch=%02X st=%04lX", k.bKeyDown ? "down" : "up",
             k.wVirtualKeyCode, k.wVirtualScanCode, static_cast<unsigned char>(k.uChar.AsciiChar),
             k.dwControlKeyState);
    return text;
}

constexpr DWORD SH = SHIFT_PRESSED, ALT = LEFT_ALT_PRESSED, CTL = LEFT_CTRL_PRESSED,
                ENH = ENHANCED_KEY;

struct KeyCase {
    const char *name;
    std::string bytes;
    WORD vk;
    WORD scan;
    unsigned char ch;
    DWORD state; // of the key itself
};

const std::vector<KeyCase> TERMINAL_KEYS = {
    {"a", "a", 'A', 0x1E, 'a', 0},
    {"shift a", "A", 'A', 0x1E, 'A', SH},
    {"z", "z", 'Z', 0x2C, 'z', 0},
    {"digit 1", "1", '1', 0x02, '1', 0},
    {"digit 0", "0", '0', 0x0B, '0', 0},
    {"shift 1", "!", '1', 0x02, '!', SH},
    {"shift 9", "(", '9', 0x0A, '(', SH},
    {"space", " ", VK_SPACE, 0x39, ' ', 0},
    {"minus", "-", VK_OEM_MINUS, 0x0C, '-', 0},
    {"plus", "+", VK_OEM_PLUS, 0x0D, '+', SH},
    {"question", "?", VK_OEM_2, 0x35, '?', SH},
    {"backslash", "\\", VK_OEM_5, 0x2B, '\\', 0},
    {"tilde", "~", VK_OEM_3, 0x29, '~', SH},
    {"quote", "'", VK_OEM_7, 0x28, '\'', 0},
    {"enter", "\r", VK_RETURN, 0x1C, '\r', 0},
    {"ctrl enter", "\n", VK_RETURN, 0x1C, '\n', CTL},
    {"escape", "\x1b", VK_ESCAPE, 0x01, 0x1B, 0},
    {"backspace", "\x7f", VK_BACK, 0x0E, 0x08, 0},
    {"ctrl backspace", "\x08", VK_BACK, 0x0E, 0x7F, CTL},
    {"tab", "\t", VK_TAB, 0x0F, '\t', 0},
    {"shift tab", "\x1b[Z", VK_TAB, 0x0F, '\t', SH},
    {"ctrl a", "\x01", 'A', 0x1E, 0x01, CTL},
    {"ctrl c", "\x03", 'C', 0x2E, 0x03, CTL},
    {"ctrl z", "\x1a", 'Z', 0x2C, 0x1A, CTL},
    {"ctrl space", std::string(1, '\0'), VK_SPACE, 0x39, 0, CTL},
    {"ctrl backslash", "\x1c", VK_OEM_5, 0x2B, 0x1C, CTL},
    {"alt a",
     "\x1b"
     "a",
     'A', 0x1E, 'a', ALT},
    {"alt shift a",
     "\x1b"
     "A",
     'A', 0x1E, 'A', ALT | SH},
    {"alt 1",
     "\x1b"
     "1",
     '1', 0x02, '1', ALT},
    {"ctrl alt a", "\x1b\x01", 'A', 0x1E, 0x01, CTL | ALT},
    {"alt enter", "\x1b\r", VK_RETURN, 0x1C, '\r', ALT},
    {"alt backspace", "\x1b\x7f", VK_BACK, 0x0E, 0x08, ALT},
    {"alt escape", "\x1b\x1b", VK_ESCAPE, 0x01, 0x1B, ALT},
    {"alt [ alone", "\x1b[", VK_OEM_4, 0x1A, '[', ALT},
    {"alt O alone", "\x1bO", 'O', 0x18, 'O', ALT | SH},
    {"up", "\x1b[A", VK_UP, 0x48, 0, ENH},
    {"down", "\x1b[B", VK_DOWN, 0x50, 0, ENH},
    {"right", "\x1b[C", VK_RIGHT, 0x4D, 0, ENH},
    {"left", "\x1b[D", VK_LEFT, 0x4B, 0, ENH},
    {"home", "\x1b[H", VK_HOME, 0x47, 0, ENH},
    {"end", "\x1b[F", VK_END, 0x4F, 0, ENH},
    {"home tilde", "\x1b[1~", VK_HOME, 0x47, 0, ENH},
    {"end tilde", "\x1b[4~", VK_END, 0x4F, 0, ENH},
    {"up ss3", "\x1bOA", VK_UP, 0x48, 0, ENH},
    {"home ss3", "\x1bOH", VK_HOME, 0x47, 0, ENH},
    {"insert", "\x1b[2~", VK_INSERT, 0x52, 0, ENH},
    {"delete", "\x1b[3~", VK_DELETE, 0x53, 0, ENH},
    {"page up", "\x1b[5~", VK_PRIOR, 0x49, 0, ENH},
    {"page down", "\x1b[6~", VK_NEXT, 0x51, 0, ENH},
    {"shift up", "\x1b[1;2A", VK_UP, 0x48, 0, ENH | SH},
    {"alt up", "\x1b[1;3A", VK_UP, 0x48, 0, ENH | ALT},
    {"ctrl left", "\x1b[1;5D", VK_LEFT, 0x4B, 0, ENH | CTL},
    {"ctrl right", "\x1b[1;5C", VK_RIGHT, 0x4D, 0, ENH | CTL},
    {"ctrl shift alt home", "\x1b[1;8H", VK_HOME, 0x47, 0, ENH | CTL | SH | ALT},
    {"meta bit ignored", "\x1b[1;9A", VK_UP, 0x48, 0, ENH},
    {"shift delete", "\x1b[3;2~", VK_DELETE, 0x53, 0, ENH | SH},
    {"alt insert", "\x1b[2;3~", VK_INSERT, 0x52, 0, ENH | ALT},
    {"ctrl page down", "\x1b[6;5~", VK_NEXT, 0x51, 0, ENH | CTL},
    {"alt up old style", "\x1b\x1b[A", VK_UP, 0x48, 0, ENH | ALT},
    {"f1 ss3", "\x1bOP", VK_F1, 0x3B, 0, 0},
    {"f2 ss3", "\x1bOQ", VK_F1 + 1, 0x3C, 0, 0},
    {"f3 ss3", "\x1bOR", VK_F1 + 2, 0x3D, 0, 0},
    {"f4 ss3", "\x1bOS", VK_F1 + 3, 0x3E, 0, 0},
    {"f1 csi", "\x1b[11~", VK_F1, 0x3B, 0, 0},
    {"shift f1", "\x1b[1;2P", VK_F1, 0x3B, 0, SH},
    {"ctrl f4", "\x1b[1;5S", VK_F1 + 3, 0x3E, 0, CTL},
    {"alt f1 ss3", "\x1bO3P", VK_F1, 0x3B, 0, ALT},
    {"f5", "\x1b[15~", VK_F1 + 4, 0x3F, 0, 0},
    {"f6", "\x1b[17~", VK_F1 + 5, 0x40, 0, 0},
    {"f7", "\x1b[18~", VK_F1 + 6, 0x41, 0, 0},
    {"f8", "\x1b[19~", VK_F1 + 7, 0x42, 0, 0},
    {"f9", "\x1b[20~", VK_F1 + 8, 0x43, 0, 0},
    {"f10", "\x1b[21~", VK_F10, 0x44, 0, 0},
    {"f11", "\x1b[23~", VK_F11, 0x57, 0, 0},
    {"f12", "\x1b[24~", VK_F12, 0x58, 0, 0},
    {"ctrl f10", "\x1b[21;5~", VK_F10, 0x44, 0, CTL},
    {"shift alt f12", "\x1b[24;4~", VK_F12, 0x58, 0, SH | ALT},
    {"f1 linux console", "\x1b[[A", VK_F1, 0x3B, 0, 0},
    {"f5 linux console", "\x1b[[E", VK_F1 + 4, 0x3F, 0, 0},
    {"e acute", "\xc3\xa9", VK_PACKET, 0, 0x82, 0},
};

class TerminalKeys : public ::testing::TestWithParam<KeyCase> {};

// One key: modifier downs, the key down, the key up, modifier ups; the
// key's own records carry the virtual key, scan code, character and state.
TEST_P(TerminalKeys, GiveTheKeyWithItsModifiers) {
    const KeyCase &c = GetParam();
    std::vector<INPUT_RECORD> events = decode_all(c.bytes);
    DWORD modifiers = c.state & (SH | ALT | CTL);
    size_t modifier_count = __builtin_popcount(modifiers);
    ASSERT_EQ(events.size(), 2 + 2 * modifier_count);
    for (size_t i = 0; i < events.size(); ++i) {
        const KEY_EVENT_RECORD &k = events[i].Event.KeyEvent;
        ASSERT_EQ(events[i].EventType, KEY_EVENT);
        bool own = i == modifier_count || i == modifier_count + 1;
        EXPECT_EQ(k.bKeyDown != 0, i <= modifier_count) << describe(events[i]);
        EXPECT_EQ(k.wRepeatCount, 1);
        if (!own) {
            EXPECT_TRUE(is_modifier(k.wVirtualKeyCode)) << describe(events[i]);
            EXPECT_EQ(k.uChar.AsciiChar, 0);
            continue;
        }
        EXPECT_EQ(k.wVirtualKeyCode, c.vk) << describe(events[i]);
        EXPECT_EQ(k.wVirtualScanCode, c.scan) << describe(events[i]);
        EXPECT_EQ(static_cast<unsigned char>(k.uChar.AsciiChar), c.ch) << describe(events[i]);
        EXPECT_EQ(k.dwControlKeyState, c.state) << describe(events[i]);
    }
}

// The same bytes arriving one read at a time give the same events: no
// sequence is broken into stray keys.
TEST_P(TerminalKeys, ArriveWholeWhenSplitByteByByte) {
    const KeyCase &c = GetParam();
    std::vector<INPUT_RECORD> whole = decode_all(c.bytes);
    std::vector<INPUT_RECORD> split = decode_bytewise(c.bytes);
    ASSERT_EQ(whole.size(), split.size());
    for (size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(describe(whole[i]), describe(split[i]));
    }
}

INSTANTIATE_TEST_SUITE_P(KeyDecoder, TerminalKeys, ::testing::ValuesIn(TERMINAL_KEYS),
                         [](const ::testing::TestParamInfo<KeyCase> &info) {
                             std::string name = info.param.name;
                             for (char &ch : name) {
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

TEST(KeyDecoder, CtrlF1ComesAsFourRecordsWithHeldState) {
    std::vector<INPUT_RECORD> events = decode_all("\x1b[1;5P");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(describe(events[0]), "down vk=11 sc=1D ch=00 st=0008");
    EXPECT_EQ(describe(events[1]), "down vk=70 sc=3B ch=00 st=0008");
    EXPECT_EQ(describe(events[2]), "up vk=70 sc=3B ch=00 st=0008");
    EXPECT_EQ(describe(events[3]), "up vk=11 sc=1D ch=00 st=0000");
}

TEST(KeyDecoder, ShiftCtrlAltPressInOrderAndReleaseInReverse) {
    std::vector<INPUT_RECORD> events = decode_all("\x1b[1;8A");
    ASSERT_EQ(events.size(), 8u);
    std::vector<std::string> expected = {
        "down vk=10 sc=2A ch=00 st=0010", "down vk=12 sc=38 ch=00 st=0012",
        "down vk=11 sc=1D ch=00 st=001A", "down vk=26 sc=48 ch=00 st=011A",
        "up vk=26 sc=48 ch=00 st=011A",   "up vk=11 sc=1D ch=00 st=0012",
        "up vk=12 sc=38 ch=00 st=0010",   "up vk=10 sc=2A ch=00 st=0000",
    };
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(describe(events[i]), expected[i]);
}

TEST(KeyDecoder, LoneEscapeWaitsForTheDelay) {
    DecoderState state;
    DecoderOptions options = options_for(InputSource::Terminal);
    DecodedKey key;
    const unsigned char esc[] = {0x1B};
    DecodeResult waiting = key_decoder_decode(esc, 1, false, options, state, key);
    EXPECT_EQ(waiting.status, DecodeStatus::NeedMore);
    EXPECT_EQ(key.count, 0);
    DecodeResult decided = key_decoder_decode(esc, 1, true, options, state, key);
    EXPECT_EQ(decided.status, DecodeStatus::Decoded);
    EXPECT_EQ(decided.consumed, 1u);
    ASSERT_EQ(key.count, 2);
    EXPECT_EQ(describe(key.events[0]), "down vk=1B sc=01 ch=1B st=0000");
}

TEST(KeyDecoder, UnfinishedSequencesWaitForMoreBytes) {
    const char *prefixes[] = {"\x1b[", "\x1b[1", "\x1b[1;",  "\x1b[1;5", "\x1bO",     "\x1b]0;t",
                              "\x1bP", "\xe4",   "\xe4\xb8", "\x1b\x1b", "\x1b\x1b[", "\x1b\xc3"};
    for (const char *prefix : prefixes) {
        DecoderState state;
        DecodedKey key;
        std::string bytes = prefix;
        DecodeResult r =
            key_decoder_decode(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
                               false, options_for(InputSource::Terminal), state, key);
        EXPECT_EQ(r.status, DecodeStatus::NeedMore) << "prefix " << bytes.size() << " bytes";
    }
}

std::string typed(const std::vector<INPUT_RECORD> &events) {
    std::string chars;
    for (const INPUT_RECORD &e : key_downs(events)) {
        if (!is_modifier(e.Event.KeyEvent.wVirtualKeyCode))
            chars += e.Event.KeyEvent.uChar.AsciiChar;
    }
    return chars;
}

struct SwallowCase {
    const char *name;
    std::string bytes;
    std::string typed; // the characters of the keys that come out
};

class SequencesAndText : public ::testing::TestWithParam<SwallowCase> {};

TEST_P(SequencesAndText, GiveOnlyTheTypedCharacters) {
    const SwallowCase &c = GetParam();
    EXPECT_EQ(typed(decode_all(c.bytes)), c.typed);
    EXPECT_EQ(typed(decode_bytewise(c.bytes)), c.typed);
}

INSTANTIATE_TEST_SUITE_P(
    KeyDecoder, SequencesAndText,
    ::testing::Values(
        SwallowCase{"device_attributes_reply", "a\x1b[?1;2cb", "ab"},
        SwallowCase{"cursor_report_with_marker",
                    "\x1b[>41;2500;0c"
                    "x",
                    "x"},
        SwallowCase{"sgr_mouse", "\x1b[<0;10;5Mx\x1b[<0;10;5m", "x"},
        SwallowCase{"focus_in", "\x1b[Ix", "x"},
        SwallowCase{"unknown_csi_final", "\x1b[5;5yx", "x"},
        SwallowCase{"unknown_tilde", "\x1b[99~x", "x"},
        SwallowCase{"osc_with_bel", "\x1b]11;rgb:0000/0000/0000\x07x", "x"},
        SwallowCase{"osc_with_st", "\x1b]11;rgb:ffff/ffff/ffff\x1b\\x", "x"},
        SwallowCase{"dcs", "\x1bP1$r0m\x1b\\x", "x"},
        SwallowCase{"apc", "\x1b_Gi=1;OK\x1b\\x", "x"}, SwallowCase{"unknown_ss3", "\x1bOjx", "x"},
        SwallowCase{"csi_broken_by_control_byte", "\x1b[12\rx", "\rx"},
        SwallowCase{"invalid_lead",
                    "\xff"
                    "a",
                    "?a"},
        SwallowCase{"stray_continuation",
                    "\x80\x80"
                    "a",
                    "??a"},
        SwallowCase{"bad_continuation_keeps_next_byte", "\xc3(", "?("},
        SwallowCase{"cut_three_byte",
                    "\xe4\xb8"
                    "a",
                    "?a"},
        SwallowCase{"overlong",
                    "\xc0\xaf"
                    "a",
                    "??a"},
        SwallowCase{"overlong_three_byte",
                    "\xe0\x81\x81"
                    "a",
                    "???a"},
        SwallowCase{"overlong_four_byte",
                    "\xf0\x8f\xbf\xbf"
                    "a",
                    "????a"},
        SwallowCase{"surrogate",
                    "\xed\xa0\x80"
                    "a",
                    "???a"},
        SwallowCase{"cut_at_end", "a\xe4\xb8", "a?"},
        SwallowCase{"no_code_page_form", "\xe2\x82\xac", "?"},
        SwallowCase{"double_byte", "\xe4\xb8\xad", "\xa4\xa4"},
        SwallowCase{"paste_drops_commands",
                    "\x1b[200~a\x01"
                    "b\x1b[Dc\x1b"
                    "d\x1b[201~e",
                    "abce"},
        SwallowCase{"paste_ended_by_ctrl_c", "\x1b[200~a\x03\x1b[Dc", std::string("a\x03\0c", 4)},
        SwallowCase{"paste_line_ends", "\x1b[200~a\r\nb\nc\rd\x1b[201~", "a\rb\rc\rd"},
        SwallowCase{"paste_utf8", "\x1b[200~\xc3\xa9\x1b[201~", "\x82"}),
    [](const ::testing::TestParamInfo<SwallowCase> &info) { return info.param.name; });

TEST(KeyDecoder, LongSequencesAreSwallowedNotTyped) {
    std::string bytes = "\x1b[" + std::string(1000, '1') + "mx";
    EXPECT_EQ(typed(decode_all(bytes)), std::string(1000 - 254, '1') + "mx");
    std::string osc = "\x1b]" + std::string(5000, 'q') + "\x07y";
    EXPECT_EQ(typed(decode_all(osc)).back(), 'y');
}

TEST(KeyDecoder, PasteOfADoubleByteCharacterKeepsBothBytes) {
    std::vector<INPUT_RECORD> downs = key_downs(decode_all("\xe4\xb8\xad"));
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(describe(downs[0]), "down vk=E7 sc=00 ch=A4 st=0000");
    EXPECT_EQ(describe(downs[1]), "down vk=E7 sc=00 ch=A4 st=0000");
}

TEST(KeyDecoder, ScriptLineEndsAreEnter) {
    std::vector<INPUT_RECORD> lf = key_downs(decode_all("a\nb", InputSource::Script));
    ASSERT_EQ(lf.size(), 3u);
    EXPECT_EQ(describe(lf[1]), "down vk=0D sc=1C ch=0D st=0000");
    EXPECT_EQ(typed(decode_all("a\r\nb\n\nc\r\rd", InputSource::Script)), "a\rb\r\rc\r\rd");
    EXPECT_EQ(typed(decode_bytewise("1\r\n\r\n", InputSource::Script)), "1\r\r");
    // From a terminal LF is Ctrl+Enter, not a second Enter.
    EXPECT_EQ(typed(decode_all("\r\n", InputSource::Terminal)), "\r\n");
}

// A script line that opens a string sequence and never ends it is still
// one line: the line end ends the string and stays an Enter.
TEST(KeyDecoder, ScriptStringSequencesEndAtTheLineEnd) {
    for (char introducer : {']', 'P', 'X', '^', '_'}) {
        std::string script = std::string("\x1b") + introducer + "0;t\n5\n";
        EXPECT_EQ(typed(decode_bytewise(script, InputSource::Script)), "\r5\r") << introducer;
    }
}

TEST(KeyDecoder, APasteWithoutEndEndsAfterItsLimit) {
    DecoderState state;
    DecoderOptions options = options_for(InputSource::Terminal);
    options.paste_max = 8;
    std::string bytes = "\x1b[200~" + std::string(20, 'a') + "\x1b[A";
    std::vector<INPUT_RECORD> events;
    size_t taken =
        key_decoder_drain(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), true,
                          options, state, [&](const DecodedKey &key, DecodeResult) {
                              events.insert(events.end(), key.events, key.events + key.count);
                          });
    ASSERT_EQ(taken, bytes.size());
    EXPECT_EQ(typed(events), std::string(20, 'a') + '\0'); // the Up after it is a key again
    EXPECT_FALSE(state.in_paste);
}

TEST(KeyDecoder, Win32InputRecordsPassAsTheyCome) {
    std::vector<INPUT_RECORD> events = decode_all(
        "\x1b[17;29;0;1;8;1_\x1b[65;30;97;1;8;1_\x1b[65;30;97;0;8;3_\x1b[17;29;0;0;0;1_");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(describe(events[0]), "down vk=11 sc=1D ch=00 st=0008");
    EXPECT_EQ(describe(events[1]), "down vk=41 sc=1E ch=61 st=0008");
    EXPECT_EQ(describe(events[2]), "up vk=41 sc=1E ch=61 st=0008");
    EXPECT_EQ(events[2].Event.KeyEvent.wRepeatCount, 3);
    EXPECT_EQ(describe(events[3]), "up vk=11 sc=1D ch=00 st=0000");
    std::vector<INPUT_RECORD> defaults = decode_all("\x1b[_");
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(describe(defaults[0]), "up vk=00 sc=00 ch=00 st=0000");
    EXPECT_EQ(defaults[0].Event.KeyEvent.wRepeatCount, 1);
    std::vector<INPUT_RECORD> wide = decode_all("\x1b[0;0;20013;1;0;1_");
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(describe(wide[1]), "down vk=00 sc=00 ch=A4 st=0000");
}

} // namespace
