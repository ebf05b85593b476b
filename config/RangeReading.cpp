#include "config/RangeReading.h"

#include <cstdio>

std::string RangeText(const tsRangeInfo& reading)
{
    const char* format = reading.InRange ? "InRange: %u inches, %02X" : "NOT InRange: %u inches, %02X";
    char text[48];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(reading.Distance),
                  static_cast<unsigned>(reading.RangeFlags));
    return text;
}
