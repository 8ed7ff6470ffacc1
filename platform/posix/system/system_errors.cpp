// Windows error codes on Linux: errno mapped to the codes a Windows program
// sees, and FormatMessageA/LocalFree for their English system texts.
#include "system_errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

namespace posix_console {

namespace {

struct ErrnoMapping {
    int error;
    DWORD code;
};

// Only codes listed in system_texts below may appear here: every code the
// layer can produce has its text.
const ErrnoMapping errno_mappings[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENXIO, ERROR_FILE_NOT_FOUND},
    {ENODEV, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EROFS, ERROR_WRITE_PROTECT},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EWOULDBLOCK, ERROR_SHARING_VIOLATION},
    {ENOSYS, ERROR_NOT_SUPPORTED},
    {EOPNOTSUPP, ERROR_NOT_SUPPORTED},
    {EEXIST, ERROR_FILE_EXISTS},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ESPIPE, ERROR_INVALID_PARAMETER},
    {EFAULT, ERROR_INVALID_PARAMETER},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EBUSY, ERROR_BUSY},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EIO, ERROR_IO_DEVICE},
};

struct SystemText {
    DWORD code;
    const char *text;
};

// The Windows English message-table texts, without their CR LF.
const SystemText system_texts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_INVALID_ACCESS, "The access code is invalid."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_MR_MID_NOT_FOUND, "The system cannot find message text for message number 0x%1 in the "
                             "message file for %2."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_FILE_TOO_LARGE, "The file size exceeds the limit allowed and cannot be saved."},
    {ERROR_PIPE_NOT_CONNECTED, "No process is on the other end of the pipe."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_OPERATION_ABORTED,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {ERROR_NOACCESS, "Invalid access to memory location."},
    {ERROR_IO_DEVICE, "The request could not be performed because of an I/O device error."},
    {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
};

const DWORD MAX_WIDTH_MASK = 0xFF; // FORMAT_MESSAGE_MAX_WIDTH_MASK
const DWORD SUPPORTED_FLAGS = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                              FORMAT_MESSAGE_FROM_SYSTEM | MAX_WIDTH_MASK;

// LocalFree must refuse what FormatMessageA did not hand out, so the live
// blocks are kept.
std::mutex allocations_lock;
std::unordered_set<void *> &allocations() {
    static std::unordered_set<void *> live;
    return live;
}

char *allocate_text(size_t size) {
    char *block = static_cast<char *>(std::malloc(size));
    if (block == nullptr) return nullptr;
    std::lock_guard<std::mutex> hold(allocations_lock);
    allocations().insert(block);
    return block;
}

bool release_text(void *block) {
    std::lock_guard<std::mutex> hold(allocations_lock);
    if (allocations().erase(block) == 0) return false;
    std::free(block);
    return true;
}

} // namespace

DWORD windows_error_from_errno(int error) {
    for (const ErrnoMapping &mapping : errno_mappings)
        if (mapping.error == error) return mapping.code;
    return ERROR_GEN_FAILURE; // what Wine answers when it has no better code
}

const char *system_error_text(DWORD code) {
    for (const SystemText &entry : system_texts)
        if (entry.code == code) return entry.text;
    return nullptr;
}

} // namespace posix_console

using namespace posix_console;

extern "C" {

// Only system texts exist here. Inserts are never filled in: a text that has
// them is given raw with FORMAT_MESSAGE_IGNORE_INSERTS and refused without
// it, as Windows refuses inserts it has no arguments for. The language is
// ignored: English is the only one.
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, void *Arguments) {
    (void)lpSource;
    (void)dwLanguageId;
    (void)Arguments;
    if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (dwFlags & ~SUPPORTED_FLAGS) != 0 ||
        lpBuffer == nullptr)
        return fail(ERROR_INVALID_PARAMETER, DWORD{0});
    const char *text = system_error_text(dwMessageId);
    if (text == nullptr) return fail(ERROR_MR_MID_NOT_FOUND, DWORD{0});
    if (std::strchr(text, '%') != nullptr && (dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0)
        return fail(ERROR_INVALID_PARAMETER, DWORD{0});
    // The CR LF ends the text unless the width mask asks for none.
    std::string message(text);
    if ((dwFlags & MAX_WIDTH_MASK) != MAX_WIDTH_MASK) message += "\r\n";
    DWORD length = static_cast<DWORD>(message.size());
    char *target = lpBuffer;
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        // lpBuffer is then the address of the cell that receives the text's address.
        target = allocate_text(length + 1 > nSize ? length + 1 : nSize);
        if (target == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY, DWORD{0});
        *reinterpret_cast<char **>(lpBuffer) = target;
    } else if (nSize < length + 1) {
        return fail(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
    }
    std::memcpy(target, message.c_str(), length + 1);
    return length;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    if (hMem == nullptr || release_text(hMem)) return nullptr;
    return fail(ERROR_INVALID_HANDLE, hMem);
}

} // extern "C"
