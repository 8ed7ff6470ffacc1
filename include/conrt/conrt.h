/* The console runtime: every public routine, for C, C++ and assembly
   (cdecl). Output, input, real numbers, diagnostics and utilities.
   Every routine keeps its caller's registers, EAX included unless it holds
   the result; the flags may change, except in the dumps and text_trim,
   which keep them too. The real-number routines keep the caller's FPU
   stack, however full. */
#pragma once

#include "con_diag.h"
#include "con_input.h"
#include "con_output.h"
#include "con_real.h"
