/* The entry point of a program linked without a C runtime: it calls main
   and ends the process, as the C runtime's entry point would. */
int main(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

/* The compiler refers to this whenever a program uses floating point; the C
   runtime would define it. */
int _fltused;

void start(void) {
    ExitProcess((unsigned int)main());
}
