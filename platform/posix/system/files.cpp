// Files through the Windows file API on Linux: CreateFileA, ReadFile,
// WriteFile and CloseHandle over file descriptors, with Windows error codes
// and Windows sharing. A share mode of 0 is exclusive: the open holds an
// exclusive flock on its own open file description, so a second open fails
// with ERROR_SHARING_VIOLATION in this process and in any other that opens
// the file through this layer. Nonzero share modes take a shared lock, which
// only conflicts with exclusive opens (coarser than Windows' access/share
// matrix, never more permissive about share mode 0). Devices and pipes are
// neither locked nor truncated, and no open waits for a FIFO's other end.
#include "system_errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A handle is the address of its slot: it cannot equal any console handle or
// any other object's handle, and checking one is a range test.
struct FileSlot {
    int fd = -1;
    DWORD access = 0;
};

const int FILE_SLOT_COUNT = 512;
FileSlot file_slots[FILE_SLOT_COUNT];
std::mutex file_slots_lock;

FileSlot *slot_of(HANDLE handle) {
    auto address = reinterpret_cast<uintptr_t>(handle);
    auto first = reinterpret_cast<uintptr_t>(&file_slots[0]);
    if (address < first || address >= first + sizeof file_slots) return nullptr;
    if ((address - first) % sizeof(FileSlot) != 0) return nullptr;
    FileSlot *slot = reinterpret_cast<FileSlot *>(handle);
    return slot->fd >= 0 ? slot : nullptr;
}

HANDLE slot_take(int fd, DWORD access) {
    std::lock_guard<std::mutex> hold(file_slots_lock);
    for (FileSlot &slot : file_slots) {
        if (slot.fd < 0) {
            slot.fd = fd;
            slot.access = access;
            return &slot;
        }
    }
    return nullptr;
}

using posix_console::fail;
using posix_console::windows_error_from_errno;

bool parent_directory_exists(const char *path) {
    std::string parent(path);
    size_t slash = parent.find_last_of('/');
    if (slash == std::string::npos) return true;
    parent.resize(slash == 0 ? 1 : slash);
    struct stat info;
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A missing file is ERROR_FILE_NOT_FOUND, a missing directory on its way
// ERROR_PATH_NOT_FOUND, as Windows tells them apart.
// A FIFO with no reader is a pipe with nobody at the other end.
DWORD open_error(const char *path, int error) {
    if (error == ENOENT && !parent_directory_exists(path)) return ERROR_PATH_NOT_FOUND;
    struct stat info;
    if (error == ENXIO && stat(path, &info) == 0 && S_ISFIFO(info.st_mode))
        return ERROR_PIPE_NOT_CONNECTED;
    return windows_error_from_errno(error);
}

int open_flags(DWORD access) {
    bool reads = access & GENERIC_READ;
    bool writes = access & GENERIC_WRITE;
    int flags = O_CLOEXEC | O_NOCTTY;
    if (reads && writes) return flags | O_RDWR;
    return flags | (writes ? O_WRONLY : O_RDONLY);
}

struct Opened {
    int fd;
    bool existed;
};

// Opens per the disposition without truncating: truncation waits until the
// sharing lock is held, so a refused open leaves the file as it was.
Opened open_for(const char *path, int flags, DWORD disposition) {
    switch (disposition) {
    case CREATE_NEW: return {open(path, flags | O_CREAT | O_EXCL, 0666), false};
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING: return {open(path, flags), true};
    default: break; // CREATE_ALWAYS, OPEN_ALWAYS: whichever exists
    }
    int fd = open(path, flags);
    if (fd >= 0 || errno != ENOENT) return {fd, true};
    fd = open(path, flags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) return {fd, false};
    // A name that is there but leads nowhere (a dangling symbolic link), or
    // one created in between: an ordinary create follows the link and makes
    // its target, once.
    return {open(path, flags | O_CREAT, 0666), false};
}

// Without waiting for the other end of a FIFO (a read open returns at once,
// a write open fails); reads and writes then block as on any file.
Opened open_without_waiting(const char *path, int flags, DWORD disposition) {
    Opened opened = open_for(path, flags | O_NONBLOCK, disposition);
    if (opened.fd >= 0) fcntl(opened.fd, F_SETFL, fcntl(opened.fd, F_GETFL) & ~O_NONBLOCK);
    return opened;
}

bool lock_for_sharing(int fd, DWORD share_mode) {
    int operation = (share_mode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

enum class FileKind { Regular, Directory, Other };

FileKind kind_of(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0) return FileKind::Other;
    if (S_ISREG(info.st_mode)) return FileKind::Regular;
    return S_ISDIR(info.st_mode) ? FileKind::Directory : FileKind::Other;
}

HANDLE close_and_fail(int fd, DWORD code) {
    close(fd);
    return fail(code, INVALID_HANDLE_VALUE);
}

bool disposition_known(DWORD disposition) {
    return disposition >= CREATE_NEW && disposition <= TRUNCATE_EXISTING;
}

// The checks a read and a write share, in Windows' order; the count is
// cleared first so that a failed call reports nothing moved.
FileSlot *slot_for_transfer(HANDLE handle, LPDWORD count, LPOVERLAPPED overlapped, DWORD right) {
    if (count != nullptr) *count = 0;
    FileSlot *slot = slot_of(handle);
    if (slot == nullptr) return fail<FileSlot *>(ERROR_INVALID_HANDLE, nullptr);
    if (overlapped != nullptr || count == nullptr)
        return fail<FileSlot *>(ERROR_INVALID_PARAMETER, nullptr);
    if (!(slot->access & right)) return fail<FileSlot *>(ERROR_ACCESS_DENIED, nullptr);
    return slot;
}

// The console's own handles read and write as ReadConsoleA and WriteConsoleA
// do, as on Windows, where C runtimes write to the console this way.
bool is_console_handle(HANDLE handle) {
    DWORD mode;
    return slot_of(handle) == nullptr && GetConsoleMode(handle, &mode);
}

bool console_transfer_ok(LPDWORD count, LPOVERLAPPED overlapped) {
    if (count != nullptr) *count = 0;
    return (overlapped == nullptr && count != nullptr) || fail(ERROR_INVALID_PARAMETER);
}

// A line that starts with Ctrl+Z is the end of the input, under processed
// input, for a file read only (ReadConsoleA gives the byte).
BOOL read_console_input(HANDLE handle, LPVOID buffer, DWORD length, LPDWORD count) {
    if (!ReadConsoleA(handle, buffer, length, count, nullptr)) return FALSE;
    DWORD mode = 0;
    GetConsoleMode(handle, &mode);
    if (*count > 0 && static_cast<char *>(buffer)[0] == '\x1a' && (mode & ENABLE_PROCESSED_INPUT))
        *count = 0;
    return TRUE;
}

} // namespace

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    (void)lpSecurityAttributes;
    (void)dwFlagsAndAttributes;
    (void)hTemplateFile;
    if (lpFileName == nullptr || !disposition_known(dwCreationDisposition))
        return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    if (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & GENERIC_WRITE))
        return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    if (lpFileName[0] == '\0') return fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

    Opened opened =
        open_without_waiting(lpFileName, open_flags(dwDesiredAccess), dwCreationDisposition);
    if (opened.fd < 0) return fail(open_error(lpFileName, errno), INVALID_HANDLE_VALUE);
    FileKind kind = kind_of(opened.fd);
    // Windows opens no directory through CreateFileA without backup semantics.
    if (kind == FileKind::Directory) return close_and_fail(opened.fd, ERROR_ACCESS_DENIED);
    // Devices and pipes (NUL, CON) are shared and never truncated, as on Windows.
    bool regular = kind == FileKind::Regular;
    if (regular && !lock_for_sharing(opened.fd, dwShareMode))
        return close_and_fail(opened.fd, ERROR_SHARING_VIOLATION);
    bool truncates =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
    if (regular && truncates && opened.existed && ftruncate(opened.fd, 0) != 0)
        return close_and_fail(opened.fd, windows_error_from_errno(errno));

    HANDLE handle = slot_take(opened.fd, dwDesiredAccess);
    if (handle == nullptr) return close_and_fail(opened.fd, ERROR_TOO_MANY_OPEN_FILES);
    // These two dispositions tell the caller whether the file was there before.
    if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
        SetLastError(opened.existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

// A file read fills the whole request unless the end of the file comes
// first, as a Windows disk read does; a read at the end succeeds with 0.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    if (is_console_handle(hFile)) {
        if (!console_transfer_ok(lpNumberOfBytesRead, lpOverlapped)) return FALSE;
        return read_console_input(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead);
    }
    FileSlot *slot = slot_for_transfer(hFile, lpNumberOfBytesRead, lpOverlapped, GENERIC_READ);
    if (slot == nullptr) return FALSE;
    char *target = static_cast<char *>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        size_t chunk = std::min<size_t>(nNumberOfBytesToRead - done, INT_MAX);
        ssize_t got = read(slot->fd, target + done, chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && done == 0) return fail(windows_error_from_errno(errno), FALSE);
        if (got <= 0) break;
        done += static_cast<DWORD>(got);
    }
    *lpNumberOfBytesRead = done;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (is_console_handle(hFile)) {
        if (!console_transfer_ok(lpNumberOfBytesWritten, lpOverlapped)) return FALSE;
        return WriteConsoleA(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                             nullptr);
    }
    FileSlot *slot = slot_for_transfer(hFile, lpNumberOfBytesWritten, lpOverlapped, GENERIC_WRITE);
    if (slot == nullptr) return FALSE;
    const char *source = static_cast<const char *>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        size_t chunk = std::min<size_t>(nNumberOfBytesToWrite - done, INT_MAX);
        ssize_t put = write(slot->fd, source + done, chunk);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            // A short write reports what landed, and the reason.
            *lpNumberOfBytesWritten = done;
            return fail(put < 0 ? windows_error_from_errno(errno) : ERROR_DISK_FULL, FALSE);
        }
        done += static_cast<DWORD>(put);
    }
    *lpNumberOfBytesWritten = done;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    std::lock_guard<std::mutex> hold(file_slots_lock);
    FileSlot *slot = slot_of(hObject);
    if (slot == nullptr) return fail(ERROR_INVALID_HANDLE, FALSE);
    close(slot->fd); // releases the sharing lock with the last descriptor
    slot->fd = -1;
    slot->access = 0;
    return TRUE;
}

} // extern "C"
