// Files through the runtime: create, write, read, close, the refused second
// open, and the last system error explained on the console.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "con_diag.h"
#include "console_host.h"
#include "console_screen.h"
#include "win32.h"

namespace {

namespace fs = std::filesystem;

class FileAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        console_host_open(100, 30);
        path_ =
            fs::temp_directory_path() /
            ("conrt_file_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".tmp");
        fs::remove(path_);
    }
    void TearDown() override { fs::remove(path_); }

    std::string name() const { return path_.string(); }

    void write_plain(const std::string &content) const {
        std::ofstream(path_, std::ios::binary) << content;
    }

    fs::path path_;
};

std::string screen_row(int row) {
    return console_screen::row_text(row);
}

TEST_F(FileAccess, CreateOverExistingFileEmptiesIt) {
    write_plain(std::string(100, 'x'));
    con_file_handle handle = file_create_output(name().c_str());
    ASSERT_NE(handle, FILE_HANDLE_INVALID);
    EXPECT_EQ(fs::file_size(path_), 0u);
    EXPECT_EQ(file_write(handle, "hello", 5), 5u);
    EXPECT_NE(file_close(handle), 0);
    EXPECT_EQ(fs::file_size(path_), 5u);
}

TEST_F(FileAccess, WrittenBytesReadBackThenEndOfFile) {
    const unsigned char data[] = {0, 1, 2, 0xFF, 0x80, '\r', '\n', 'z'};
    con_file_handle out = file_create_output(name().c_str());
    ASSERT_NE(out, FILE_HANDLE_INVALID);
    EXPECT_EQ(file_write(out, data, sizeof data), sizeof data);
    file_close(out);

    con_file_handle in = file_open_input(name().c_str());
    ASSERT_NE(in, FILE_HANDLE_INVALID);
    unsigned char buffer[16] = {};
    bool ok = false;
    EXPECT_EQ(file_read(in, buffer, 5, &ok), 5u);
    EXPECT_TRUE(ok);
    EXPECT_EQ(file_read(in, buffer + 5, 10, &ok), 3u) << "a short read at the end";
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::memcmp(buffer, data, sizeof data), 0);
    ok = false;
    EXPECT_EQ(file_read(in, buffer, 10, &ok), 0u) << "the end of the file is no failure";
    EXPECT_TRUE(ok);
    EXPECT_NE(file_close(in), 0);
}

TEST_F(FileAccess, ReadOnTheInvalidHandleFailsWithItsCode) {
    char buffer[4];
    bool ok = true;
    EXPECT_EQ(file_read(FILE_HANDLE_INVALID, buffer, 4, &ok), 6u); // ERROR_INVALID_HANDLE
    EXPECT_FALSE(ok);
    EXPECT_EQ(file_write(FILE_HANDLE_INVALID, "x", 1), 0u);
}

TEST_F(FileAccess, ClosedHandleIsInvalid) {
    con_file_handle handle = file_create_output(name().c_str());
    ASSERT_NE(handle, FILE_HANDLE_INVALID);
    ASSERT_NE(file_close(handle), 0);
    EXPECT_EQ(file_close(handle), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileAccess, ReadingAnOutputFileIsRefused) {
    con_file_handle handle = file_create_output(name().c_str());
    ASSERT_NE(handle, FILE_HANDLE_INVALID);
    char buffer[4];
    bool ok = true;
    EXPECT_EQ(file_read(handle, buffer, 4, &ok), 5u); // ERROR_ACCESS_DENIED
    EXPECT_FALSE(ok);
    file_close(handle);
}

TEST_F(FileAccess, SecondOpenIsRefusedWhileTheFirstIsOpen) {
    write_plain("data");
    con_file_handle first = file_open_input(name().c_str());
    ASSERT_NE(first, FILE_HANDLE_INVALID);
    EXPECT_EQ(file_open_input(name().c_str()), FILE_HANDLE_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(file_create_output(name().c_str()), FILE_HANDLE_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(fs::file_size(path_), 4u) << "a refused create leaves the file alone";
    file_close(first);

    con_file_handle again = file_open_input(name().c_str());
    EXPECT_NE(again, FILE_HANDLE_INVALID) << "closing gives the file free";
    file_close(again);
}

// The system's own text for a code, without its line end.
std::string system_text(DWORD code) {
    char *text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    EXPECT_GT(length, 2u) << code;
    if (length == 0) return "";
    std::string result(text, length);
    LocalFree(text);
    EXPECT_EQ(result.substr(result.size() - 2), "\r\n");
    return result.substr(0, result.size() - 2);
}

TEST_F(FileAccess, MissingFileAndItsErrorText) {
    EXPECT_EQ(file_open_input(name().c_str()), FILE_HANDLE_INVALID);
    con_write_system_error();
    EXPECT_EQ(screen_row(0), "Error 2: " + system_text(2));
    // The system text's own CR LF ends the line.
    EXPECT_EQ(console_screen::cursor().X, 0);
    EXPECT_EQ(console_screen::cursor().Y, 1);
}

TEST_F(FileAccess, SystemErrorTextForSeveralCodes) {
    int row = 0;
    for (DWORD code : {0, 5, 6, 32, 87}) {
        SetLastError(code);
        con_write_system_error();
        EXPECT_EQ(screen_row(row++), "Error " + std::to_string(code) + ": " + system_text(code));
    }
    EXPECT_EQ(console_screen::cursor().Y, row);
}

TEST_F(FileAccess, CodeWithoutTextEndsTheLineAfterTheColon) {
    // No system text exists for this code on either system.
    SetLastError(0x2FFFFFFF);
    con_write_system_error();
    EXPECT_EQ(console_screen::text(0, 0, 17), "Error 805306367: ");
    EXPECT_EQ(console_screen::cursor().X, 0);
    EXPECT_EQ(console_screen::cursor().Y, 1);
}

} // namespace
