// The program's thread keeps its own thread pointer when another thread is
// started, even under an emulator of i386 that keeps one descriptor table for
// all threads: there the newest thread's TLS entry replaces the others', and
// the return from a signal handler reloads %gs from it, so the program's
// thread would go on as the newest thread (its errno, its thread id: a
// recursive lock it holds would no longer be its own, a join would join
// itself). On a real kernel each thread has its own entry.
#pragma once

namespace posix_console {

// Puts the calling thread's own TLS descriptor back in the table; call it
// after starting a thread, before a signal can reach the caller. Nothing
// changes where each thread has its own entry, or on other processors.
void reclaim_thread_pointer();

} // namespace posix_console
