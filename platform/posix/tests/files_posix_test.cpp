// The Windows file API on Linux: dispositions, sharing across processes,
// errno mapped to Windows codes, and the system texts for every code the
// layer can produce.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "system_errors.h"
#include "win32.h"

namespace {

namespace fs = std::filesystem;

class PosixFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() / ("conrt_files_" + std::to_string(getpid()));
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::string path(const std::string &name) const { return (directory_ / name).string(); }

    fs::path directory_;
};

HANDLE open_file(const std::string &name, DWORD access, DWORD disposition, DWORD share = 0) {
    return CreateFileA(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Runs body in a child process and returns its exit code.
template <typename Body> int in_child(Body body) {
    pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PosixFiles, SecondOpenFromAnotherProcessIsRefused) {
    std::string name = path("shared");
    HANDLE first = open_file(name, GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    auto open_in_child = [&] {
        HANDLE h = open_file(name, GENERIC_READ, OPEN_EXISTING);
        return h == INVALID_HANDLE_VALUE ? static_cast<int>(GetLastError()) : 0;
    };
    EXPECT_EQ(in_child(open_in_child), ERROR_SHARING_VIOLATION);
    ASSERT_TRUE(CloseHandle(first));
    EXPECT_EQ(in_child(open_in_child), 0) << "closed: the other process may open it";
}

TEST_F(PosixFiles, FileOpenInAnotherProcessIsRefusedHere) {
    std::string name = path("held");
    std::ofstream(name) << "x";
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t child = fork();
    if (child == 0) {
        HANDLE h = open_file(name, GENERIC_READ, OPEN_EXISTING);
        char byte = h == INVALID_HANDLE_VALUE ? 'n' : 'y';
        (void)!write(ready[1], &byte, 1);
        (void)!read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    EXPECT_EQ(open_file(name, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    (void)!write(done[1], &byte, 1);
    waitpid(child, nullptr, 0);
    HANDLE after = open_file(name, GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(after, INVALID_HANDLE_VALUE) << "the child's exit gave it free";
    CloseHandle(after);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

TEST_F(PosixFiles, SharedOpensMeetOnlyExclusiveOnes) {
    std::string name = path("readers");
    std::ofstream(name) << "x";
    HANDLE a = open_file(name, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    HANDLE b = open_file(name, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    EXPECT_NE(a, INVALID_HANDLE_VALUE);
    EXPECT_NE(b, INVALID_HANDLE_VALUE);
    EXPECT_EQ(open_file(name, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(a);
    CloseHandle(b);
}

TEST_F(PosixFiles, DispositionsAndWhatTheyReport) {
    std::string name = path("disposition");
    HANDLE h = open_file(name, GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(open_file(name, GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    h = open_file(name, GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "it was there";
    CloseHandle(h);
    h = open_file(path("fresh"), GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "it was not";
    CloseHandle(h);
    h = open_file(path("always"), GENERIC_READ, OPEN_ALWAYS);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fs::exists(path("always")));
    CloseHandle(h);

    std::ofstream(name) << "12345";
    EXPECT_EQ(open_file(name, GENERIC_READ, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE)
        << "truncation needs write access";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    h = open_file(name, GENERIC_WRITE, TRUNCATE_EXISTING);
    EXPECT_EQ(fs::file_size(name), 0u);
    CloseHandle(h);
    EXPECT_EQ(open_file(name, GENERIC_READ, 9), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PosixFiles, OpenFailuresGiveWindowsCodes) {
    const struct {
        std::string name;
        DWORD access;
        DWORD code;
    } cases[] = {
        {path("missing"), GENERIC_READ, ERROR_FILE_NOT_FOUND},
        {path("no-dir/missing"), GENERIC_READ, ERROR_PATH_NOT_FOUND},
        {"", GENERIC_READ, ERROR_PATH_NOT_FOUND},
        {directory_.string(), GENERIC_READ, ERROR_ACCESS_DENIED},
        {directory_.string(), GENERIC_WRITE, ERROR_ACCESS_DENIED},
        {path(std::string(300, 'n')), GENERIC_READ, ERROR_FILENAME_EXCED_RANGE},
    };
    for (const auto &c : cases) {
        SetLastError(0);
        EXPECT_EQ(open_file(c.name, c.access, OPEN_EXISTING), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.code) << c.name;
    }
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PosixFiles, FileHandlesAreNotConsoleHandles) {
    HANDLE h = open_file(path("handle"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(h, GetStdHandle(STD_INPUT_HANDLE));
    EXPECT_NE(h, GetStdHandle(STD_OUTPUT_HANDLE));
    DWORD mode = 0;
    EXPECT_FALSE(GetConsoleMode(h, &mode)) << "a file handle is no console handle";
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(reinterpret_cast<char *>(h) + 1)));
    EXPECT_TRUE(CloseHandle(h));
}

// The two dispositions of the runtime's open routines, in a child that a
// hang or a spin cannot take down with it.
TEST_F(PosixFiles, OpensNeverHangOnLinksFifosOrDevices) {
    ASSERT_EQ(symlink(path("target").c_str(), path("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    const struct {
        std::string name;
        DWORD access;
        DWORD disposition;
        DWORD code; // ERROR_SUCCESS: a handle
    } cases[] = {
        {path("dangling"), GENERIC_WRITE, CREATE_ALWAYS, ERROR_SUCCESS},
        {path("fifo"), GENERIC_READ, OPEN_EXISTING, ERROR_SUCCESS},
        {path("fifo"), GENERIC_WRITE, CREATE_ALWAYS, ERROR_PIPE_NOT_CONNECTED},
        {"/dev/null", GENERIC_WRITE, CREATE_ALWAYS, ERROR_SUCCESS},
        {"/dev/full", GENERIC_WRITE, CREATE_ALWAYS, ERROR_SUCCESS},
        {"/dev/stdout", GENERIC_WRITE, CREATE_ALWAYS, ERROR_SUCCESS},
    };
    for (const auto &c : cases) {
        int code = in_child([&] {
            alarm(5);
            HANDLE h = open_file(c.name, c.access, c.disposition);
            if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
            DWORD count = 0;
            char byte;
            // A FIFO with no writer reads as its end, at once.
            if ((c.access & GENERIC_READ) && (!ReadFile(h, &byte, 1, &count, nullptr) || count))
                return 99;
            return CloseHandle(h) ? 0 : 98;
        });
        EXPECT_EQ(code, static_cast<int>(c.code)) << c.name;
    }
    EXPECT_TRUE(fs::exists(path("target"))) << "the link's target is created";
}

// Opened without waiting, a FIFO is then read as any file: the read waits
// for a writer's data. A write end held here keeps it from reading as ended.
TEST_F(PosixFiles, AFifoReadWaitsForItsData) {
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    int code = in_child([&] {
        alarm(5);
        HANDLE h = open_file(path("fifo"), GENERIC_READ, OPEN_EXISTING);
        int held = open(path("fifo").c_str(), O_WRONLY | O_NONBLOCK);
        if (h == INVALID_HANDLE_VALUE || held < 0) return 97;
        if (fork() == 0) {
            usleep(200000);
            _exit(write(held, "data", 4) == 4 ? 0 : 1);
        }
        char bytes[8] = {};
        DWORD count = 0;
        if (!ReadFile(h, bytes, 4, &count, nullptr)) return static_cast<int>(GetLastError());
        return count == 4 && std::strcmp(bytes, "data") == 0 ? 0 : 99;
    });
    EXPECT_EQ(code, 0);
}

TEST_F(PosixFiles, WriteToAFullDeviceReportsDiskFull) {
    HANDLE h = open_file("/dev/full", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 99;
    EXPECT_FALSE(WriteFile(h, "abc", 3, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 0u);
    CloseHandle(h);
}

TEST_F(PosixFiles, LargeReadFillsTheWholeRequest) {
    std::string name = path("large");
    std::string content(300000, 'q');
    content[299999] = 'e';
    std::ofstream(name, std::ios::binary) << content;
    HANDLE h = open_file(name, GENERIC_READ, OPEN_EXISTING);
    std::string buffer(400000, '\0');
    DWORD count = 0;
    EXPECT_TRUE(ReadFile(h, buffer.data(), 400000, &count, nullptr));
    EXPECT_EQ(count, 300000u);
    EXPECT_EQ(buffer[299999], 'e');
    CloseHandle(h);
}

TEST(PosixErrors, ErrnoMapsToWindowsCodes) {
    const std::pair<int, DWORD> cases[] = {
        {ENOENT, 2},  {ENOTDIR, 3},        {EACCES, 5},   {EPERM, 5},   {EISDIR, 5},
        {EBADF, 6},   {EEXIST, 80},        {ENOSPC, 112}, {EINVAL, 87}, {EMFILE, 4},
        {ENFILE, 4},  {ENAMETOOLONG, 206}, {ENOMEM, 8},   {EROFS, 19},  {EWOULDBLOCK, 32},
        {EPIPE, 109}, {ENOTEMPTY, 145},
    };
    for (const auto &[error, code] : cases)
        EXPECT_EQ(posix_console::windows_error_from_errno(error), code) << strerror(error);
}

TEST(PosixErrors, EveryCodeTheLayerProducesHasItsText) {
    for (int error = 0; error < 256; ++error) {
        DWORD code = posix_console::windows_error_from_errno(error);
        EXPECT_NE(posix_console::system_error_text(code), nullptr) << error << " -> " << code;
    }
    for (DWORD code : {ERROR_SUCCESS, ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER,
                       ERROR_SHARING_VIOLATION, ERROR_ALREADY_EXISTS, ERROR_INSUFFICIENT_BUFFER,
                       ERROR_MR_MID_NOT_FOUND, ERROR_NOT_ENOUGH_MEMORY, ERROR_OPERATION_ABORTED})
        EXPECT_NE(posix_console::system_error_text(code), nullptr) << code;
}

std::string format_system(DWORD code, DWORD flags, DWORD *length) {
    char *text = nullptr;
    *length = FormatMessageA(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (*length == 0) return "";
    std::string result(text);
    EXPECT_EQ(LocalFree(text), nullptr);
    return result;
}

TEST(PosixErrors, SystemTextsEndInCrLf) {
    // Lengths include the CR LF, as FormatMessageA reports them.
    const struct {
        DWORD code;
        DWORD length;
        const char *start;
    } cases[] = {
        {0, 39, "The operation completed successfully."},
        {2, 44, "The system cannot find the file specified."},
        {3, 44, "The system cannot find the path specified."},
        {5, 19, "Access is denied."},
        {6, 24, "The handle is invalid."},
        {32, 81, "The process cannot access the file because it is being used by another "},
        {80, 18, "The file exists."},
        {87, 29, "The parameter is incorrect."},
        {112, 40, "There is not enough space on the disk."},
        {183, 53, "Cannot create a file when that file already exists."},
    };
    for (const auto &c : cases) {
        DWORD length = 0;
        std::string text = format_system(c.code, 0, &length);
        EXPECT_EQ(length, c.length) << c.code;
        EXPECT_EQ(text.size(), c.length) << c.code;
        EXPECT_EQ(text.rfind(c.start, 0), 0u) << text;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << c.code;
    }
}

TEST(PosixErrors, FormatMessageEdges) {
    DWORD length = 1;
    SetLastError(0);
    EXPECT_EQ(format_system(0x2FFFFFFF, 0, &length), "");
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));

    // The width mask 0xFF drops the line end.
    EXPECT_EQ(format_system(5, 0xFF, &length), "Access is denied.");
    // Inserts are only given raw when asked to be ignored.
    EXPECT_EQ(format_system(ERROR_MR_MID_NOT_FOUND, 0, &length), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_NE(
        format_system(ERROR_MR_MID_NOT_FOUND, FORMAT_MESSAGE_IGNORE_INSERTS, &length).find("%1"),
        std::string::npos);

    char small[8];
    EXPECT_EQ(
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, small, sizeof small, nullptr),
        0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    char enough[32];
    EXPECT_EQ(
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, enough, sizeof enough, nullptr),
        19u);
    EXPECT_STREQ(enough, "Access is denied.\r\n");

    int not_ours = 0;
    EXPECT_EQ(LocalFree(&not_ours), &not_ours) << "a block it did not hand out is refused";
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

} // namespace
