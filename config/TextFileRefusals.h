#pragma once

// Why a user's text file is refused, in the same words on every system: the
// reason names the path, then says what is wrong with it.

#include <cstddef>
#include <string>
#include <string_view>

namespace text_file {

inline constexpr std::string_view kFolder = "this is a folder, not a file";
inline constexpr std::string_view kPipe = "this is a pipe, not a regular file";
inline constexpr std::string_view kDevice = "this is a device, not a regular file";
inline constexpr std::string_view kSocket = "this is a socket, not a regular file";
inline constexpr std::string_view kNotRegular = "this is not a regular file";
inline constexpr std::string_view kReadOnly = "the file is read-only";

// Sets reason to "<path>: <what>", or says that no name was given; false.
bool Refuse(std::string& reason, const std::string& path, std::string_view what);

std::string TooLarge(std::size_t maxBytes);

}  // namespace text_file
