// The memory dump: a header with the start address, a separator, then the
// units in hexadecimal, 32-bit, 16-bit or single bytes.
#include "console_state.h"
#include "diag_state.h"

#include <cstring>

namespace {

const uint32_t BYTES_PER_LINE = 16;

// Units are read with memcpy: the start need not be aligned.
template <typename Unit> Unit unit_at(const unsigned char *address) {
    Unit value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

void dump_words(const unsigned char *address, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, address += 4) {
        con_write_hex(unit_at<uint32_t>(address));
        con_write_text("  ");
    }
}

void dump_halfwords(const unsigned char *address, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, address += 2) {
        uint16_t value = unit_at<uint16_t>(address);
        write_hex_byte(static_cast<uint8_t>(value >> 8));
        write_hex_byte(static_cast<uint8_t>(value));
        con_write_text(" ");
    }
}

void dump_bytes(const unsigned char *address, uint32_t count) {
    for (uint32_t written = 1; written <= count; ++written, ++address) {
        write_hex_byte(*address);
        con_write_text(" ");
        if (written % BYTES_PER_LINE == 0) con_newline();
    }
}

} // namespace

// A count of 0 writes the header, the separator and the final line break
// and reads no memory.
extern "C" void con_dump_memory_body(const void *start, uint32_t count, uint32_t unit_size) {
    const unsigned char *address = static_cast<const unsigned char *>(start);
    con_write_text("\r\nDump of offset ");
    con_write_hex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(start)));
    con_newline();
    con_write_text("-------------------------------\r\n");
    if (unit_size == 4)
        dump_words(address, count);
    else if (unit_size == 2)
        dump_halfwords(address, count);
    else
        dump_bytes(address, count);
    con_newline();
}
