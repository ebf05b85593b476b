#pragma once

// The configuration template file: a text image of the current sensor's six
// blocks in the library's slot record, one named value per line.

#include <cstddef>
#include <string>

#include "config/ConfigModel.h"

// No template is anywhere near this long (a saved one has 91 short lines);
// a longer file is refused unread.
inline constexpr std::size_t kMaxTemplateFileBytes = 64 * 1024;
// The reader takes the file in chunks of this size.
inline constexpr std::size_t kTemplateReadBufferSize = 4096;

// Both return 1 on success and 0 on failure; on failure, when failure is
// given, it receives the reason, naming the path.

// Writes the whole file; an existing file at path is replaced only after the
// new text is complete, or written in place when it cannot be replaced.
int WriteDevCfgToFile(const std::string& path, std::string* failure = nullptr);
// Fails, changing nothing, when the file cannot be read, is not a regular
// file, is longer than kMaxTemplateFileBytes, or holds no value line of a
// known field.
int ReadDevCfgFmFile(const std::string& path, std::string* failure = nullptr);
// The file's values read over blocks, stored nowhere: a value the library
// would refuse is kept as read. Fails as ReadDevCfgFmFile does, leaving
// blocks as they were.
int ReadTemplateValues(const std::string& path, ConfigSet& blocks, std::string* failure = nullptr);
