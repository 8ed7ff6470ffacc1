// The menu program: its screen, its dispatch loop and its computations.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    MENU_COLOR = 0x1F,  // bright white on blue
    FRAME_COLOR = 0x22, // green on green: solid green cells
};

extern uint8_t cursor_col;
extern uint8_t cursor_row;
extern const char menu_text[];
extern const char farewell_text[];

[[noreturn]] void menu_main(void);
void paint_menu(void);
void draw_frame(void);
void goto_saved(void);
void step_right(void);
void step_down(void);
void step_left(void);
void step_up(void);

void option_sum_of_squares(void);
void option_alternating(void);
void option_recurrence(void);
void compute_sum_of_squares(int32_t n, int32_t m);
void compute_alternating(int32_t n, int32_t m);
void compute_recurrence(int32_t n);

#ifdef __cplusplus
}
#endif
