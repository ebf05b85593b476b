// Reading and writing a user's text file with Windows calls.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "config/TextFileAccess.h"
#include "config/TextFileRefusals.h"

namespace {

using text_file::Refuse;
using text_file::TooLarge;

// ---- Reasons ---------------------------------------------------------------

// The system's own words for an error, without the line end and full stop.
std::string SystemMessage(DWORD error)
{
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(error) : message;
}

bool FailWithError(std::string& reason, const std::string& path, DWORD error)
{
    return Refuse(reason, path, SystemMessage(error));
}

// ---- Handles -----------------------------------------------------------------

class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~FileHandle()
    {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release()
    {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    // Closes now; false when closing reports an error (a late write failure).
    bool close() { return CloseHandle(release()) != 0; }

private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Paths in the device namespace name pipes and devices, not files, and are
// refused before anything is opened: opening a pipe connects to it.
bool RefuseDeviceNamespace(const std::string& path, std::string& reason)
{
    std::string name = path;
    std::replace(name.begin(), name.end(), '/', '\\');
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!name.starts_with("\\\\.\\") && !name.starts_with("\\\\?\\")) return true;
    const std::string_view rest = std::string_view(name).substr(4);
    if (rest.starts_with("pipe\\")) return Refuse(reason, path, text_file::kPipe);
    const bool onDrive =
        rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':';
    if (onDrive || rest.starts_with("unc\\")) return true;
    return Refuse(reason, path, text_file::kDevice);
}

// The open thing must be a file on a disk: a folder, a console, a device or
// a pipe would keep the reader waiting or take the text away.
bool RefuseUnlessRegular(HANDLE file, const std::string& path, std::string& reason)
{
    switch (GetFileType(file)) {
        case FILE_TYPE_DISK:
            break;
        case FILE_TYPE_PIPE:
            return Refuse(reason, path, text_file::kPipe);
        case FILE_TYPE_CHAR:
            return Refuse(reason, path, text_file::kDevice);
        default:
            return Refuse(reason, path, text_file::kNotRegular);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) return FailWithError(reason, path, GetLastError());
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Refuse(reason, path, text_file::kFolder);
    return true;
}

// Opens what the path names, a folder too, with the given access.
HANDLE OpenNamed(const std::string& path, DWORD access)
{
    return CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

// ---- Writing -----------------------------------------------------------------

bool WriteAll(HANDLE file, std::string_view text)
{
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, text.data(), chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        text.remove_prefix(written);
    }
    return true;
}

std::string FolderOf(const std::string& file)
{
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// Creates a new file beside target that nobody else may open while it is
// written; an invalid handle (last error set) when the folder takes none.
HANDLE CreateFileBeside(const std::string& target, std::string& created)
{
    static unsigned sequence = 0;
    const std::string stem = FolderOf(target) + "\\.tolvane-" + std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = stem + std::to_string(++sequence) + ".tmp";
        HANDLE file = CreateFileA(created.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// The file an existing path leads to, links followed.
bool ResolveTarget(HANDLE file, const std::string& path, std::string& target, std::string& reason)
{
    char resolved[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleA(file, resolved, sizeof resolved, FILE_NAME_NORMALIZED);
    if (length == 0) return FailWithError(reason, path, GetLastError());
    if (length >= sizeof resolved) return FailWithError(reason, path, ERROR_FILENAME_EXCED_RANGE);
    target.assign(resolved, length);
    return true;
}

// A file marked read-only is not replaced, whoever runs the program; then
// opening the file for writing asks the system whether the user may write
// it, as a shell redirection does. Nothing is changed by either.
bool RefuseUnlessWritable(HANDLE named, const std::string& target, const std::string& path,
                          std::string& reason)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(named, &information)) return FailWithError(reason, path, GetLastError());
    if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return Refuse(reason, path, text_file::kReadOnly);
    FileHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) return Refuse(reason, path, text_file::kReadOnly);
    return FailWithError(reason, path, error);
}

// Writes text into a new file beside target and moves it over target only
// once it is whole on the disk; on any failure the new file is removed and
// target is as it was.
bool ReplaceWithNewFile(const std::string& target, std::string_view text, const std::string& path,
                        std::string& reason)
{
    std::string freshPath;
    FileHandle fresh(CreateFileBeside(target, freshPath));
    if (!fresh.valid()) return FailWithError(reason, path, GetLastError());
    const bool written = WriteAll(fresh.get(), text) && FlushFileBuffers(fresh.get());
    const DWORD writeError = GetLastError();
    const bool closed = fresh.close();
    const DWORD closeError = GetLastError();
    if (!written || !closed ||
        !MoveFileExA(freshPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = !written ? writeError : !closed ? closeError : GetLastError();
        DeleteFileA(freshPath.c_str());
        return FailWithError(reason, path, error);
    }
    return true;
}

}  // namespace

// ---- Reading -----------------------------------------------------------------

TextFileReader::~TextFileReader()
{
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool TextFileReader::Open(const std::string& path, std::size_t maxBytes, std::string& reason)
{
    path_ = path;
    if (path.empty()) return Refuse(reason, path, {});
    if (!RefuseDeviceNamespace(path, reason)) return false;
    FileHandle file(OpenNamed(path, GENERIC_READ));
    if (!file.valid()) return FailWithError(reason, path, GetLastError());
    if (!RefuseUnlessRegular(file.get(), path, reason)) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return FailWithError(reason, path, GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return Refuse(reason, path, TooLarge(maxBytes));

    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = reinterpret_cast<std::intptr_t>(file.release());
    bytesLeft_ = maxBytes;
    maxBytes_ = maxBytes;
    return true;
}

long TextFileReader::Read(char* buffer, std::size_t size, std::string& reason)
{
    const DWORD wanted =
        static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max() / 2));
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, wanted, &got, nullptr)) {
        FailWithError(reason, path_, GetLastError());
        return -1;
    }
    // A file that grows while it is read is held to the same limit.
    if (got > bytesLeft_) {
        Refuse(reason, path_, TooLarge(maxBytes_));
        return -1;
    }
    bytesLeft_ -= got;
    return static_cast<long>(got);
}

bool WriteTextFile(const std::string& path, std::string_view text, std::string& reason)
{
    if (path.empty()) return Refuse(reason, path, {});
    if (!RefuseDeviceNamespace(path, reason)) return false;
    // No access is asked for: this only looks at what the path names.
    FileHandle named(OpenNamed(path, 0));
    if (!named.valid()) {
        const DWORD error = GetLastError();
        // A file that is not there yet is made; a missing folder is not.
        if (error == ERROR_FILE_NOT_FOUND) return ReplaceWithNewFile(path, text, path, reason);
        return FailWithError(reason, path, error);
    }
    std::string target;
    if (!RefuseUnlessRegular(named.get(), path, reason) || !ResolveTarget(named.get(), path, target, reason))
        return false;
    if (!RefuseUnlessWritable(named.get(), target, path, reason)) return false;
    named.close();
    return ReplaceWithNewFile(target, text, path, reason);
}
