// Console runtime, diagnostics and utilities: register, memory and
// stack-frame dumps, files and the last system error, message boxes, a
// pseudo-random generator, clock readings and text utilities. Plain C
// routines with the cdecl convention, callable from C and from assembly.
#pragma once

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Dumps. Each leaves every register and flag of its caller as it was.
// unit_size 4 or 2 selects 32- or 16-bit units; any other value bytes.
void con_dump_memory(const void *start, uint32_t count, uint32_t unit_size);
void con_dump_registers(void);
// The frame of the caller: param_count parameters, local_count local
// doublewords, saved_count saved registers. A name whose first byte is 1
// (caller_frame_marker) shows the frame one level further up instead.
void con_dump_frame_named(uint32_t param_count, uint32_t local_count, uint32_t saved_count,
                          const char *name);
void con_dump_frame(uint32_t param_count, uint32_t local_count, uint32_t saved_count);
extern const char caller_frame_marker[2];

// Files: raw bytes through 32-bit opaque handles, opened without sharing.
// (Not file_handle: glibc declares a struct of that name in <fcntl.h>.)
typedef void *con_file_handle;
#define FILE_HANDLE_INVALID ((con_file_handle)(intptr_t)-1)

con_file_handle file_create_output(const char *name);
con_file_handle file_open_input(const char *name);
// Nonzero on success, zero on failure.
int file_close(con_file_handle handle);
// The count of bytes read, and ok true; or the system error code, and ok
// false. ok may be null.
uint32_t file_read(con_file_handle handle, void *buffer, uint32_t count, bool *ok);
// The count of bytes the system wrote; less than count on failure.
uint32_t file_write(con_file_handle handle, const void *buffer, uint32_t count);
// Writes "Error ", the last system error code, ": " and its system text.
void con_write_system_error(void);

// Modal message boxes; a null caption shows a single blank.
void msg_box_show(const char *text, const char *caption);
enum { MSG_BOX_YES = 6, MSG_BOX_NO = 7 };
// MSG_BOX_YES or MSG_BOX_NO.
uint32_t msg_box_ask(const char *text, const char *caption);

// Pseudo-random numbers: a linear congruential generator starting at 1.
uint32_t rng_next32(void);
// 0 .. n - 1; n must be at least 1.
uint32_t rng_below(uint32_t n);
void rng_seed_from_clock(void);

// The local time as a file time (100 ns units since 1601, no time-zone
// shift), stored at destination as two 32-bit halves, low half first.
void time_local_filetime(void *destination);
// Milliseconds since local midnight.
uint32_t time_ms_of_day(void);

// Texts, changed in place; no capacity is checked.
// Negative, zero or positive as first sorts before, equal to or after second.
int32_t text_compare(const char *first, const char *second);
void text_copy(const char *source, char *target);
// Removes the trailing run of character.
void text_trim(char *text, char character);
// a..z become A..Z; every other byte stays.
void text_upper(char *text);

#ifdef __cplusplus
}
#endif
