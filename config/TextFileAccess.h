#pragma once

// The operating system's side of reading and writing a small text file that
// the user names: nothing here can hang on a pipe or a device, read without
// end, or replace a file the user did not let us write. Every refusal and
// failure comes with a reason that names the path, for the user's message.
// This file's implementation is the one part of the template file that
// depends on the operating system.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A regular file opened for reading, no longer than a given size.
class TextFileReader {
public:
    TextFileReader() = default;
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // Opens path when it is a regular file of at most maxBytes; anything else
    // (a folder, a pipe, a device, a larger file) is refused before a byte
    // is read. False with the reason otherwise.
    bool Open(const std::string& path, std::size_t maxBytes, std::string& reason);

    // Reads up to size bytes into buffer: the number read, 0 at the end of
    // the file, -1 with the reason when reading fails or the file has grown
    // beyond maxBytes since it was opened.
    long Read(char* buffer, std::size_t size, std::string& reason);

private:
    std::intptr_t handle_ = -1;
    std::string path_;
    std::size_t maxBytes_ = 0;
    std::size_t bytesLeft_ = 0;
};

// Makes text the whole content of the regular file at path, or of a new file
// there. A symbolic link is followed to the file it names. A file the user
// may not write is refused, as the shell refuses a redirection onto it. The
// new text is written beside the file and renamed over it, keeping its owner
// and permissions (never set-user-id or set-group-id), so a failure leaves
// the old file whole; when that cannot be done (a folder that takes no new
// file, several names for one file, an owner we cannot give) the file is
// written in place. False with the reason, and nothing replaced, otherwise.
bool WriteTextFile(const std::string& path, std::string_view text, std::string& reason);
