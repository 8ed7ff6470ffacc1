// Options 1 and 2: a series of squares over 1..n in 32-bit integers, asked
// for again and again until n is 0.
#include "con_input.h"
#include "con_output.h"
#include "menu.h"

extern "C" {

int32_t m_value = 0;
uint32_t square_sum = 0;
int32_t alternating_sum = 0;
int32_t term_sign = -1;

const char prompt_option1[] = "1. Compute (1^2+2^2+3^2+\xA1\x4B+n^2)/m\n\nInput n [0, 100]: ";
const char prompt_option2[] = "2. Compute (1^2-2^2+3^2+...+(-1)^(n+1) n^2)*m\r\n"
                              "Please input n [0, 50]: ";
const char prompt_m[] = "Input m (non-zero, signed integer):";
const char out_of_range_text[] = "out of range.\r\n";
const char quotient_label[] = "Quotient: ";
const char remainder_label[] = "Remainder: ";

} // extern "C"

namespace {

constexpr uint32_t OPTION1_BOUND = 100;
constexpr uint32_t OPTION2_BOUND = 50;

using Computation = void (*)(int32_t n, int32_t m);

// Negative n fails the bound too: it is compared as an unsigned number.
void run_option(const char *prompt, uint32_t bound, Computation compute) {
    con_clear_screen();
    for (;;) {
        con_write_text(prompt);
        int32_t n = con_read_int(nullptr);
        if (static_cast<uint32_t>(n) > bound) {
            con_write_text(out_of_range_text);
            continue;
        }
        if (n == 0) return;
        con_write_text(prompt_m);
        int32_t m = con_read_int(nullptr);
        compute(n, m);
    }
}

} // namespace

extern "C" {

// A zero m (typed, or an unreadable m that reads as 0) cannot divide: it is
// out of range, and n is asked for again.
void compute_sum_of_squares(int32_t n, int32_t m) {
    m_value = m;
    square_sum = 0;
    for (int32_t k = 1; k <= n; ++k) square_sum += static_cast<uint32_t>(k * k);
    if (m_value == 0) {
        con_write_text(out_of_range_text);
        return;
    }
    const int32_t sum = static_cast<int32_t>(square_sum);
    con_write_text(quotient_label);
    con_write_int(sum / m_value);
    con_newline();
    con_write_text(remainder_label);
    con_write_int(sum % m_value);
    con_newline();
}

// The product keeps only its low 32 bits, as the machine's multiply does.
void compute_alternating(int32_t n, int32_t m) {
    term_sign = -1;
    m_value = m;
    alternating_sum = 0;
    for (int32_t k = 1; k <= n; ++k) {
        term_sign = -term_sign;
        alternating_sum += k * k * term_sign;
    }
    const uint32_t product =
        static_cast<uint32_t>(m_value) * static_cast<uint32_t>(alternating_sum);
    con_write_int(static_cast<int32_t>(product));
    con_newline();
}

void option_sum_of_squares(void) {
    run_option(prompt_option1, OPTION1_BOUND, compute_sum_of_squares);
}

void option_alternating(void) {
    run_option(prompt_option2, OPTION2_BOUND, compute_alternating);
}

} // extern "C"
