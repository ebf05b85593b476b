#pragma once

// A template file read into a configuration set for comparing and writing
// block by block: the same reader as "Restore From File", applied to the
// current sensor's record and then taken out of it again.

#include <string>

#include "config/ConfigModel.h"

// Reads the file over the blocks of the current sensor's record (fields the
// file does not name keep the record's values) and stores the result in
// blocks; the record itself is left as it was, change marks included.
// 1 on success; 0 when the reader refuses the file, with the reason in
// failure when given.
int ReadConfigSetFmFile(const std::string& path, ConfigSet& blocks, std::string* failure = nullptr);
