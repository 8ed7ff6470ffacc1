/* The console runtime: every public routine, for C, C++ and assembly
   (cdecl). Output, input, real numbers, diagnostics and utilities. */
#pragma once

#include "con_diag.h"
#include "con_input.h"
#include "con_output.h"
#include "con_real.h"
