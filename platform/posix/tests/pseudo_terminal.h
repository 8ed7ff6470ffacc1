// A pseudo-terminal for the programs that test and measure the console on a
// real terminal: this process reads the master side; the terminal side
// becomes a child's (or this process's) standard input and output.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class PseudoTerminal {
  public:
    // A terminal of COLUMNS x ROWS; ok() says whether one could be had.
    PseudoTerminal(unsigned short columns, unsigned short rows) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(master_, F_SETFL, O_NONBLOCK);
        name_ = ptsname(master_);
        // Held open here too, so that reads never fail between a child's
        // opening of the terminal and its end.
        terminal_ = open(name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        winsize size{rows, columns, 0, 0};
        ioctl(terminal_, TIOCSWINSZ, &size);
    }
    ~PseudoTerminal() {
        if (terminal_ >= 0) close(terminal_);
        if (master_ >= 0) close(master_);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool ok() const { return terminal_ >= 0; }
    int master() const { return master_; }

    // This process's standard input and output become the terminal.
    void become_standard_io() const { use_as_standard_io(terminal_); }

    // In a child after fork: a session of its own with this terminal as its
    // controlling terminal and standard input and output. Returns the
    // terminal's descriptor, or -1.
    int take_as_controlling_terminal() const {
        setsid();
        int terminal = open(name_.c_str(), O_RDWR);
        if (terminal < 0) return -1;
        ioctl(terminal, TIOCSCTTY, 0);
        use_as_standard_io(terminal);
        return terminal;
    }

    // What the terminal received that nobody read yet; never waits.
    std::string read_available() const {
        std::string bytes;
        char chunk[4096];
        for (ssize_t n; (n = read(master_, chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, static_cast<size_t>(n));
        return bytes;
    }

    // All the terminal receives until CHILD ends, looking every 10 ms, POLLS
    // times at most; STATUS gets the child's wait status (-1: still running).
    std::string collect_until_end(pid_t child, int &status, int polls) const {
        std::string bytes;
        status = -1;
        for (int waited = 0; waited < polls; ++waited) {
            pollfd ready{master_, POLLIN, 0};
            poll(&ready, 1, 10);
            bytes += read_available();
            if (waitpid(child, &status, WNOHANG) == child) break;
        }
        return bytes + read_available();
    }

  private:
    static void use_as_standard_io(int terminal) {
        dup2(terminal, STDIN_FILENO);
        dup2(terminal, STDOUT_FILENO);
    }

    int master_ = -1;
    int terminal_ = -1;
    std::string name_;
};
