// The services beside text input and output: the pseudo-random generator,
// clock readings, text utilities, and message boxes (MessageBoxA's).
#include "console_state.h"
#include "diag_state.h"

extern "C" {

uint32_t rng_seed = 1;
SYSTEMTIME time_fields;

// ---- random numbers: x' = x * 214013 + 2531011 mod 2^32, result rotated ----

uint32_t rng_next32_body(void) {
    rng_seed = rng_seed * 0x343FDu + 0x269EC3u;
    return (rng_seed >> 8) | (rng_seed << 24);
}

uint32_t rng_below_body(uint32_t n) {
    return rng_next32() % n;
}

// Only the milliseconds of the UTC time seed it: 1000 distinct sequences.
void rng_seed_from_clock_body(void) {
    GetSystemTime(&time_fields);
    rng_seed = time_fields.wMilliseconds;
}

// ---- clock readings ----

void time_local_filetime_body(void *destination) {
    GetLocalTime(&time_fields);
    FILETIME file_time;
    SystemTimeToFileTime(&time_fields, &file_time);
    uint32_t *halves = static_cast<uint32_t *>(destination);
    halves[0] = file_time.dwLowDateTime;
    halves[1] = file_time.dwHighDateTime;
}

uint32_t time_ms_of_day_body(void) {
    GetLocalTime(&time_fields);
    uint32_t seconds = time_fields.wHour * 3600u + time_fields.wMinute * 60u + time_fields.wSecond;
    return seconds * 1000u + time_fields.wMilliseconds;
}

// ---- texts ----

int32_t text_compare_body(const char *first, const char *second) {
    const unsigned char *a = reinterpret_cast<const unsigned char *>(first);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(second);
    for (;; ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
        if (*a == 0) return 0;
    }
}

void text_copy_body(const char *source, char *target) {
    uint32_t count = text_length(source) + 1;
    for (uint32_t i = 0; i < count; ++i) target[i] = source[i];
}

void text_trim_body(char *text, char character) {
    uint32_t length = text_length(text);
    if (length == 0) return;
    while (length > 0 && text[length - 1] == character) --length;
    text[length] = '\0';
}

void text_upper_body(char *text) {
    for (; *text != '\0'; ++text)
        if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text & ~0x20);
}

// ---- message boxes ----

static const char *caption_or_blank(const char *caption) {
    return caption ? caption : " ";
}

void msg_box_show_body(const char *text, const char *caption) {
    MessageBoxA(nullptr, text, caption_or_blank(caption), MB_OK);
}

uint32_t msg_box_ask_body(const char *text, const char *caption) {
    return static_cast<uint32_t>(
        MessageBoxA(nullptr, text, caption_or_blank(caption), MB_YESNO | MB_ICONQUESTION));
}

} // extern "C"
