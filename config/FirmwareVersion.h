#pragma once

// The sensor's firmware version as people read and type it: MAJOR.MINOR in
// the hexadecimal digits of the version word, the minor always two of them,
// so 0x0405 is "4.05" and "4.5" is no version. The sheet title, the status
// line, the Virtual Sensors window and tolvanectl all write and read it here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a refusal shows the user: the form a version takes.
inline constexpr std::string_view kFirmwareVersionForm = "MAJOR.MINOR, e.g. 4.05";

// 0x0405 -> "4.05", 0x1A0F -> "1A.0F". Takes the version word also as the
// sheet holds it, widened with its sign: the major part is the word shifted
// right with its sign, so such a word from 0x8000 up reads "FF80.01", as the
// sheet's title has always shown it.
std::string FirmwareText(std::int32_t firmware);

// "4.05" -> 0x0405: one or two hexadecimal digits, a dot and exactly two
// more, either letter case; nullopt for anything else.
std::optional<std::uint16_t> ParseFirmware(std::string_view text);
