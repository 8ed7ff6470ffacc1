// A pseudo-terminal for the programs that test and measure the console on a
// real terminal: this process reads the master side; the terminal side
// becomes a child's (or this process's) standard input and output.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>

// What a child sent to the terminal, and its wait status (-1: still running).
struct TerminalOutput {
    std::string bytes;
    int status = -1;
};

class PseudoTerminal {
  public:
    // A terminal of COLUMNS x ROWS; ok() says whether one could be had.
    PseudoTerminal(unsigned short columns, unsigned short rows) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(master_, F_SETFL, O_NONBLOCK);
        // Held open here too, so that reads never fail between a child's
        // start and its end.
        terminal_ = open(ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        winsize size{rows, columns, 0, 0};
        ioctl(terminal_, TIOCSWINSZ, &size);
    }
    ~PseudoTerminal() {
        close(terminal_);
        close(master_);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool ok() const { return terminal_ >= 0; }
    int master() const { return master_; }

    // The terminal's settings as stty -g shows them.
    std::string settings() const {
        termios mode{};
        tcgetattr(terminal_, &mode);
        return std::string(reinterpret_cast<const char *>(&mode), sizeof mode);
    }

    // Output processing off, so that the bytes arrive as they were sent.
    void keep_output_as_sent() const {
        termios mode{};
        tcgetattr(terminal_, &mode);
        mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        tcsetattr(terminal_, TCSANOW, &mode);
    }

    // Output suspended, as Ctrl+S does: every write to the terminal waits
    // until it is resumed.
    void suspend_output(bool suspended) const { tcflow(terminal_, suspended ? TCOOFF : TCOON); }

    // A new size, and SIGWINCH to the terminal's foreground processes.
    void resize(unsigned short columns, unsigned short rows) const {
        winsize size{rows, columns, 0, 0};
        ioctl(terminal_, TIOCSWINSZ, &size);
    }

    // This process's standard input and output become the terminal.
    void become_standard_io() const {
        dup2(terminal_, STDIN_FILENO);
        dup2(terminal_, STDOUT_FILENO);
    }

    // In a child after fork: a session of its own with this terminal as its
    // controlling terminal and standard input and output.
    void take_as_controlling_terminal() const {
        setsid();
        ioctl(terminal_, TIOCSCTTY, 0);
        become_standard_io();
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
    // times at most.
    TerminalOutput collect_until_end(pid_t child, int polls) const {
        TerminalOutput output;
        for (int waited = 0; waited < polls; ++waited) {
            pollfd ready{master_, POLLIN, 0};
            poll(&ready, 1, 10);
            output.bytes += read_available();
            if (waitpid(child, &output.status, WNOHANG) == child) break;
        }
        output.bytes += read_available();
        return output;
    }

  private:
    int master_ = -1;
    int terminal_ = -1;
};
