// The presenter's thread, its wake-ups, and the signal handlers.
//
// Frames: the thread waits for a wake-up (the first change after a frame,
// a flush asked for, a resize or a resume), lets the rest of a burst of
// writes join for GATHER_TIME, and draws; while output keeps coming it
// draws once per FLUSH_PERIOD, so that a program writing without pause
// spends little on drawing. It holds the console's lock only to copy the
// rows it shows; it renders and writes without it.
//
// Signal handlers only record, in lock-free atomics, and wake the thread
// through an eventfd, except where the terminal has to be given back at
// once: a signal whose default action ends the process, and a stop. Those
// take the terminal from the frames first (see Access), on whichever
// thread they run, then give it back, so that nothing follows the restore;
// then the signal's default action ends or stops the process with the
// status the signal gives. The presenter's thread blocks every signal but
// the faults, which only it can cause on itself and which must restore too.
#include "presenter.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "codepage.h"
#include "console_object.h"
#include "mutex.h"
#include "renderer.h"
#include "thread_pointer.h"

namespace posix_console {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto GATHER_TIME = std::chrono::milliseconds(2);
constexpr auto FLUSH_PERIOD = std::chrono::milliseconds(15);
// How long a handler waits for a frame being written to end: a terminal
// that takes nothing (scrolled back, flow control) must not keep the
// process from ending.
constexpr int HANDOVER_WAIT_MS = 500;

// The signals whose default action ends the process; the real-time ones
// (whose numbers the C library decides at run time) are added to these.
constexpr int FIXED_FATAL_SIGNALS[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP,   SIGABRT,
                                       SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2,   SIGPIPE,
                                       SIGALRM, SIGTERM, SIGXCPU,   SIGXFSZ, SIGVTALRM, SIGPROF,
                                       SIGIO,   SIGSYS,  SIGSTKFLT, SIGPWR};
// Raised by the thread that faults, so left unblocked on the presenter's.
constexpr int FAULT_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS};
constexpr size_t RESTORE_CAPACITY = 256;

// Who may write to the terminal. The presenter takes Open to Writing for
// each frame and back after it. Whoever gives the terminal back takes it
// to Closed: directly from Open, or from Writing through Closing, which
// the presenter answers with Closed once its write is done. Only a resume
// after a stop opens it again; a frame that finds it closed is dropped.
enum Access : int { OPEN, WRITING, CLOSING, CLOSED };
std::atomic<int> terminal_access{CLOSED};

std::atomic<pid_t> owner{0};      // the process that took the terminal
std::atomic<bool> taken{false};   // the terminal is in the program's modes
std::atomic<bool> drawing{false}; // frames are drawn in this process
std::atomic<bool> stop_handled{false};
std::atomic<bool> repaint_wanted{false};
std::atomic<bool> output_waiting{false};
std::atomic<bool> stopping{false};
std::atomic<pid_t> presenter_thread_id{0};
std::atomic<unsigned long> flush_asked{0};
std::atomic<unsigned long> flush_done{0};
int wake_fd = -1;
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free &&
                  std::atomic<pid_t>::is_always_lock_free &&
                  std::atomic<unsigned long>::is_always_lock_free,
              "signal handlers use these");

// Two copies of the restore bytes: a handler that gave up waiting for the
// presenter reads the one published while the other is rewritten.
char restore_bytes[2][RESTORE_CAPACITY];
size_t restore_length[2] = {0, 0};
std::atomic<int> restore_current{0};

// Alternate stacks, so that a stack overflow on either thread restores too.
alignas(16) char program_signal_stack[65536];
alignas(16) char presenter_signal_stack[65536];

struct HandlerState {
    struct sigaction old_fatal[NSIG];
    bool fatal[NSIG];
    struct sigaction old_stop;
    struct sigaction old_continue;
    struct sigaction old_resize;
    bool installed = false;
};
HandlerState handlers;

// The presenter's own: touched by its thread only, once started.
struct Presenter {
    std::unique_ptr<CodePage> codepage;
    Renderer renderer;
    Frame frame;
    std::string out;
    Clock::time_point last_frame{};
    // Test hooks (CONRT_TEST_HOLD_FRAME_MS, CONRT_TEST_FAULT_AT_FRAME): each
    // frame held between its render and its write, a fault in the render
    // of the given frame.
    int hold_ms = 0;
    int fault_at = 0;
    int frames = 0;
};
Presenter presenter;
std::thread presenter_thread; // the program's thread starts and joins it
std::atomic<bool> thread_running{false};

Mutex flush_lock; // with flush_finished, wakes those who wait for a frame
std::condition_variable flush_finished;

pid_t this_thread_id() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

bool owns_terminal() {
    return owner.load() == getpid();
}

// Async-signal-safe.
void wake() {
    int saved_errno = errno;
    uint64_t one = 1;
    (void)!write(wake_fd, &one, sizeof one);
    errno = saved_errno;
}

void sleep_ms(long ms) {
    timespec wanted{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&wanted, &wanted) == -1 && errno == EINTR) {
    }
}

// Async-signal-safe: afterwards no frame is written until the terminal is
// opened again. A frame being written is waited for, a bounded time, but
// not on the presenter's own thread, whose frame is the one interrupted.
void close_access() {
    int seen = terminal_access.load();
    while (seen == OPEN || seen == WRITING) {
        if (terminal_access.compare_exchange_weak(seen, seen == OPEN ? CLOSED : CLOSING) &&
            seen == OPEN)
            return;
    }
    if (seen == CLOSED) return;
    if (presenter_thread_id.load() != this_thread_id()) {
        for (int waited = 0; waited < HANDOVER_WAIT_MS && terminal_access.load() != CLOSED;
             ++waited)
            sleep_ms(1);
    }
    terminal_access.store(CLOSED);
}

// Async-signal-safe: once, by whichever way out comes first, and only in
// the process that took the terminal (never a child of fork).
void give_back_once() {
    if (!owns_terminal() || !taken.exchange(false)) return;
    int current = restore_current.load();
    terminal_give_back(restore_bytes[current], restore_length[current]);
}

void publish_restore(const std::string &text) {
    int next = 1 - restore_current.load();
    size_t length = std::min(text.size(), RESTORE_CAPACITY);
    memcpy(restore_bytes[next], text.data(), length);
    restore_length[next] = length;
    restore_current.store(next);
}

void set_action(int signal_number, void (*handler)(int), int flags, struct sigaction *old,
                int also_blocked = 0) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    if (also_blocked) sigaddset(&action.sa_mask, also_blocked);
    sigaction(signal_number, &action, old);
}

void on_fatal_signal(int signal_number) {
    int saved_errno = errno;
    if (owns_terminal()) {
        close_access();
        give_back_once();
    }
    set_action(signal_number, SIG_DFL, 0, nullptr);
    errno = saved_errno;
    // Still blocked in this handler: delivered with the default action as
    // soon as the handler returns (a fault repeats its instruction and is
    // delivered the same way).
    raise(signal_number);
}

void on_resize(int) {
    repaint_wanted.store(true);
    wake();
}

// Runs after on_stop has returned (it blocks SIGCONT), never inside it.
void on_continue(int) {
    repaint_wanted.store(true);
    wake();
}

// Stops the process the way the default action would, with the terminal
// given back for the time of the stop and taken again after it.
void on_stop(int) {
    int saved_errno = errno;
    bool had_terminal = owns_terminal() && taken.load();
    if (had_terminal) {
        close_access();
        give_back_once();
    }
    struct sigaction handler {};
    set_action(SIGTSTP, SIG_DFL, 0, &handler);
    sigset_t stop_only;
    sigemptyset(&stop_only);
    sigaddset(&stop_only, SIGTSTP);
    raise(SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &stop_only, nullptr); // stops here until SIGCONT
    pthread_sigmask(SIG_BLOCK, &stop_only, nullptr);
    sigaction(SIGTSTP, &handler, nullptr);
    if (had_terminal) {
        terminal_take_raw_mode();
        taken.store(true);
        terminal_access.store(OPEN);
    }
    repaint_wanted.store(true);
    wake();
    errno = saved_errno;
}

void install(int signal_number, void (*handler)(int), int flags, struct sigaction *old,
             int also_blocked = 0) {
    sigaction(signal_number, nullptr, old);
    // A signal the process was started to ignore (nohup, a shell without job
    // control) stays ignored.
    if (old->sa_handler != SIG_IGN)
        set_action(signal_number, handler, flags, nullptr, also_blocked);
}

// A thread that has one already keeps it (the sanitizers give every thread
// one, and free it as the thread ends).
void set_signal_stack(char *stack_memory, size_t size) {
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
    stack_t stack{};
    stack.ss_sp = stack_memory;
    stack.ss_size = size;
    sigaltstack(&stack, nullptr);
}

void install_handlers() {
    set_signal_stack(program_signal_stack, sizeof program_signal_stack);
    for (int number : FIXED_FATAL_SIGNALS) handlers.fatal[number] = true;
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) handlers.fatal[number] = true;
    for (int number = 1; number < NSIG; ++number) {
        if (handlers.fatal[number])
            install(number, on_fatal_signal, SA_ONSTACK, &handlers.old_fatal[number]);
    }
    // No SA_RESTART: a wait for input returns with EINTR.
    install(SIGTSTP, on_stop, 0, &handlers.old_stop, SIGCONT);
    stop_handled = handlers.old_stop.sa_handler != SIG_IGN;
    install(SIGCONT, on_continue, 0, &handlers.old_continue);
    install(SIGWINCH, on_resize, 0, &handlers.old_resize);
    handlers.installed = true;
}

void remove_handlers() {
    if (!handlers.installed) return;
    for (int number = 1; number < NSIG; ++number) {
        if (handlers.fatal[number]) sigaction(number, &handlers.old_fatal[number], nullptr);
    }
    sigaction(SIGTSTP, &handlers.old_stop, nullptr);
    sigaction(SIGCONT, &handlers.old_continue, nullptr);
    sigaction(SIGWINCH, &handlers.old_resize, nullptr);
    handlers.installed = false;
}

// ---- the presenter's thread ----

bool work_waiting() {
    return output_waiting.load() || repaint_wanted.load() || stopping.load() ||
           flush_asked.load() != flush_done.load();
}

// Waits for a wake-up, until `deadline` when given. The eventfd is emptied
// before the caller looks at the flags, so that no wake-up is lost.
void wait_for_wake(const Clock::time_point *deadline) {
    pollfd ready{wake_fd, POLLIN, 0};
    timespec left{};
    if (deadline) {
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*deadline - Clock::now());
        long long count = std::max<long long>(ns.count(), 0);
        left = timespec{static_cast<time_t>(count / 1000000000),
                        static_cast<long>(count % 1000000000)};
    }
    if (ppoll(&ready, 1, deadline ? &left : nullptr, nullptr) > 0) {
        uint64_t count;
        (void)!read(wake_fd, &count, sizeof count);
    }
}

void fault_for_test() {
    void *page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page != MAP_FAILED) *static_cast<volatile int *>(page) = 1;
}

// The frame's bytes, unless the terminal was taken from the frames. A
// handler waiting for this frame to end learns it here.
void write_frame() {
    Presenter &p = presenter;
    if (p.out.empty()) return;
    int open = OPEN;
    if (terminal_access.compare_exchange_strong(open, WRITING)) {
        terminal_write(p.out);
        publish_restore(p.renderer.restore_text());
        int writing = WRITING;
        if (!terminal_access.compare_exchange_strong(writing, OPEN)) terminal_access.store(CLOSED);
    }
    p.out.clear();
}

void draw_frame() {
    Presenter &p = presenter;
    unsigned long asked = flush_asked.load();
    // A resize or a resume: the terminal's content is no longer known.
    bool repaint = repaint_wanted.exchange(false) || !p.renderer.cleared();
    if (repaint) {
        TerminalSize size = terminal_size();
        p.renderer.clear(size.columns, size.rows, p.out);
    }
    output_waiting.store(false);
    if (console_take_frame(p.frame, p.renderer.columns(), p.renderer.rows(), repaint)) {
        if (++p.frames == p.fault_at) fault_for_test();
        if (p.frame.codepage != p.codepage->number()) { // every cell shows anew
            p.codepage = std::make_unique<CodePage>(p.frame.codepage);
            p.renderer.clear(p.renderer.columns(), p.renderer.rows(), p.out);
        }
        p.renderer.render(p.frame.view(), *p.codepage, p.out);
        if (p.frame.bells > 0) p.out += '\a';
        if (p.hold_ms > 0) sleep_ms(p.hold_ms);
    }
    write_frame();
    {
        const MutexLock lock(flush_lock);
        flush_done.store(asked);
    }
    flush_finished.notify_all();
}

void presenter_run() {
    presenter_thread_id.store(this_thread_id());
    set_signal_stack(presenter_signal_stack, sizeof presenter_signal_stack);
    for (;;) {
        while (!work_waiting()) wait_for_wake(nullptr);
        if (stopping.load()) break;
        const Clock::time_point due =
            std::max(Clock::now() + GATHER_TIME, presenter.last_frame + FLUSH_PERIOD);
        // A flush asked for is drawn at once.
        while (Clock::now() < due && !stopping.load() && flush_asked.load() == flush_done.load())
            wait_for_wake(&due);
        if (stopping.load()) break;
        presenter.last_frame = Clock::now();
        draw_frame();
    }
    {
        const MutexLock lock(flush_lock);
        thread_running.store(false);
    }
    flush_finished.notify_all();
}

int environment_number(const char *name) {
    const char *value = getenv(name);
    return value ? atoi(value) : 0;
}

// A child of fork has no presenter thread and does not own the terminal:
// it forgets both. The objects are made anew, not destroyed: the thread is
// the parent's, and the lock was taken around the fork by this thread.
void fork_prepare() NO_THREAD_SAFETY_ANALYSIS {
    flush_lock.lock();
}
void fork_parent() NO_THREAD_SAFETY_ANALYSIS {
    flush_lock.unlock();
}
void fork_child() {
    new (&flush_lock) Mutex();
    new (&flush_finished) std::condition_variable();
    new (&presenter_thread) std::thread();
    thread_running.store(false);
    drawing.store(false);
    if (wake_fd >= 0) close(wake_fd);
    wake_fd = -1;
}

} // namespace

bool presenter_start(int input_fd, int output_fd, unsigned codepage) {
    static const bool fork_handled = pthread_atfork(fork_prepare, fork_parent, fork_child) == 0;
    (void)fork_handled;
    Presenter &p = presenter;
    p = Presenter{};
    p.codepage = std::make_unique<CodePage>(codepage);
    p.hold_ms = environment_number("CONRT_TEST_HOLD_FRAME_MS");
    p.fault_at = environment_number("CONRT_TEST_FAULT_AT_FRAME");
    publish_restore(p.renderer.restore_text());
    repaint_wanted = false;
    output_waiting = false;
    stopping = false;
    // Handlers before raw mode: from the first raw moment on, every way out
    // finds the restore ready.
    owner = getpid();
    install_handlers();
    taken = true;
    terminal_access = OPEN;
    terminal_open(input_fd, output_fd);
    if (output_fd < 0) return true;
    wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd < 0) return false;
    // The thread starts with every signal but the faults blocked, so that
    // the others stay with the program's thread, whose waits they end; the
    // first of them may come only once that thread has its thread pointer
    // back.
    sigset_t blocked, old;
    sigfillset(&blocked);
    for (int number : FAULT_SIGNALS) sigdelset(&blocked, number);
    pthread_sigmask(SIG_SETMASK, &blocked, &old);
    try {
        presenter_thread = std::thread(presenter_run);
        thread_running = true;
        drawing = true;
    } catch (const std::exception &) {
        // No thread, no frames: the program runs on without a screen.
    }
    reclaim_thread_pointer();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return drawing.load();
}

void presenter_output_waiting() {
    // Only the first change after a frame wakes the presenter.
    if (!drawing.load(std::memory_order_relaxed)) return;
    if (output_waiting.load(std::memory_order_relaxed) || output_waiting.exchange(true)) return;
    wake();
}

void presenter_flush() {
    if (!drawing.load() || !(console_has_news() || repaint_wanted.load())) return;
    unsigned long ticket = flush_asked.fetch_add(1) + 1;
    wake();
    const MutexLock lock(flush_lock);
    flush_lock.wait(flush_finished,
                    [ticket] { return flush_done.load() >= ticket || !thread_running.load(); });
}

void presenter_suspend() {
    presenter_flush();
    if (!taken.load() || !stop_handled.load()) return;
    raise(SIGTSTP);
    presenter_flush();
}

void presenter_stop() {
    if (!owns_terminal()) return;
    presenter_flush();
    if (presenter_thread.joinable()) {
        stopping = true;
        wake();
        presenter_thread.join();
    }
    drawing = false;
    close_access();
    give_back_once();
    remove_handlers();
    owner = 0;
    if (wake_fd >= 0) close(wake_fd);
    wake_fd = -1;
}

bool presenter_draws() {
    return drawing.load();
}

} // namespace posix_console
