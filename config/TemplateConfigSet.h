#pragma once

// A template file read into a configuration set for comparing and writing
// block by block: the same reader as "Restore From File", over the current
// sensor's record, which is left as it was.

#include <string>

#include "config/ConfigModel.h"

// Reads the file over the blocks of the current sensor's record (fields the
// file does not name keep the record's values) into blocks. Unlike "Restore
// From File" nothing is stored into the library, so a value it would refuse
// stays in blocks for the caller to offer to the library and name. 1 on
// success; 0 when the reader refuses the file, with the reason in failure
// when given.
int ReadConfigSetFmFile(const std::string& path, ConfigSet& blocks, std::string* failure = nullptr);
