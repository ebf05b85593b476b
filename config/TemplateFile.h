#pragma once

// The configuration template file: a text image of the current sensor's six
// blocks in the library's slot record, one named value per line.

#include <string>

// 1 when the whole file was written and put in place, 0 otherwise; an
// existing file at path is replaced only after the new one is complete.
int WriteDevCfgToFile(const std::string& path);
// 0 when the file cannot be opened for reading, 1 otherwise.
int ReadDevCfgFmFile(const std::string& path);
