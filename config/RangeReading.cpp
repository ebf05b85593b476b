#include "config/RangeReading.h"

#include <cstdio>

std::string RangeText(const tsRangeInfo& reading)
{
    char text[48];
    std::snprintf(text, sizeof text, "%sInRange: %u inches, %02X", reading.InRange ? "" : "NOT ",
                  static_cast<unsigned>(reading.Distance), static_cast<unsigned>(reading.RangeFlags));
    return text;
}
