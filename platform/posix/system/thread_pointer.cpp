#include "thread_pointer.h"

#if defined(__i386__)
#include <asm/ldt.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace posix_console {

#if defined(__i386__)

// The descriptor the C library gave this thread at its start: its thread
// control block (whose first word points to itself) as a flat 4 GiB segment.
void reclaim_thread_pointer() {
    unsigned short selector = 0;
    unsigned long self = 0;
    asm("mov %%gs, %0" : "=r"(selector));
    asm("mov %%gs:0, %0" : "=r"(self));
    user_desc entry{};
    entry.entry_number = selector >> 3;
    entry.base_addr = self;
    entry.limit = 0xfffff;
    entry.seg_32bit = 1;
    entry.limit_in_pages = 1;
    entry.useable = 1;
    syscall(SYS_set_thread_area, &entry);
}

#else

void reclaim_thread_pointer() {}

#endif

} // namespace posix_console
