#include "config/TemplateFile.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "config/TemplateFields.h"
#include "config/TextFileAccess.h"
#include "devlib/DevLib.h"

namespace {

// ---- Text of the file ------------------------------------------------------

std::string_view SectionName(TemplateBlock block)
{
    switch (block) {
        case TemplateBlock::Sonar:
            return "tsSonarParms";
        case TemplateBlock::WalkAway:
        case TemplateBlock::WalkAwayEx:
            return "tsWalkAwayParms";
        case TemplateBlock::WalkUp:
        case TemplateBlock::WalkUpEx:
            return "tsWalkUpParms";
        case TemplateBlock::Idle:
            break;
    }
    return "tsIdleParms";
}

std::string VersionLines(std::uint16_t fwVersion)
{
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    GetLibVersion(&major, &minor, &build);
    char line[64];
    std::string text;
    std::snprintf(line, sizeof line, "%cLibrary Version%c %hu.%hu.%hu \n", ':', ':', major, minor, build);
    text += line;
    // Each hexadecimal digit of the firmware word is printed as a decimal number.
    std::snprintf(line, sizeof line, "%cDevice FW Version%c %u%u.%u%u \n", ':', ':', (fwVersion >> 12) & 0xFu,
                  (fwVersion >> 8) & 0xFu, (fwVersion >> 4) & 0xFu, fwVersion & 0xFu);
    text += line;
    return text;
}

std::string TemplateText(const tsDevSlot& slot)
{
    const ConfigSet blocks = BlocksOf(slot);
    std::string text = "/--- Sonar Configuration Template File ---\n";
    text += VersionLines(slot.FwVersion);
    std::string_view section;
    for (const TemplateField& field : TemplateFields()) {
        if (SectionName(field.Block) != section) {
            section = SectionName(field.Block);
            text += "\n/ ";
            text += section;
            text += '\n';
        }
        text += field.Name;
        text += " = ";
        text += std::to_string(FieldWord(blocks, field));
        text += "     / ";
        text += field.Description;
        text += '\n';
    }
    return text;
}

// ---- Reading -----------------------------------------------------------------

// Hands out the file as lines of at most 127 characters each; a longer line
// comes out as several pieces. The newline stays part of its piece.
class PieceReader {
public:
    explicit PieceReader(TextFileReader& file) : file_(file) {}

    bool Next(std::string& piece)
    {
        piece.clear();
        while (piece.size() < kPieceLength) {
            if (pos_ == end_ && !Fill()) break;
            const char c = buffer_[pos_++];
            piece += c;
            if (c == '\n') break;
        }
        return !piece.empty();
    }

    // Empty unless reading failed.
    const std::string& Failure() const { return failure_; }

private:
    static constexpr std::size_t kPieceLength = 127;

    bool Fill()
    {
        if (!failure_.empty()) return false;
        const long got = file_.Read(buffer_, sizeof buffer_, failure_);
        pos_ = 0;
        end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        return end_ > 0;
    }

    TextFileReader& file_;
    char buffer_[kTemplateReadBufferSize];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::string failure_;
};

bool IsBlank(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte >= 0x80;
}

bool IsSeparator(char c)
{
    return c == ',' || c == ' ' || c == '=' || c == '\t';
}

// The next run of non-separator characters; empty when none is left.
std::string_view NextToken(std::string_view& rest)
{
    while (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
    std::size_t length = 0;
    while (length < rest.size() && !IsSeparator(rest[length])) ++length;
    const std::string_view token = rest.substr(0, length);
    rest.remove_prefix(length);
    return token;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// An unsigned 16-bit decimal: optional white space and sign, then digits;
// whatever follows the digits is ignored. A number outside 0 to 65535 is no
// value at all rather than one wrapped into 16 bits.
std::optional<std::uint16_t> ParseWordValue(std::string_view token)
{
    std::size_t i = 0;
    while (i < token.size() && IsSpace(token[i])) ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    const std::size_t firstDigit = i;
    std::uint32_t value = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint32_t>(token[i] - '0');
        if (value > 0xFFFF) return std::nullopt;
    }
    if (i == firstDigit || (negative && value != 0)) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// Applies one line of the file to the working copy when it is a value line
// of a known field; false for any other line.
bool ApplyLine(std::string_view line, ConfigSet& working)
{
    // A NUL byte ends the line's text, as it ends a C string.
    line = line.substr(0, line.find('\0'));
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == '/' || line.front() == ':') return false;
    const std::string_view name = NextToken(line);
    const std::string_view valueToken = NextToken(line);
    if (valueToken.empty()) return false;
    const std::optional<std::uint16_t> value = ParseWordValue(valueToken);
    const TemplateField* field = FindTemplateField(name);
    if (!value || !field) return false;
    FieldWord(working, *field) = *value;
    return true;
}

// A block the library refuses keeps its previous content.
void StoreBlocks(const ConfigSet& blocks)
{
    SetWalkAwayParms(&blocks.WalkAway);
    SetWalkAwayParmsEx(&blocks.WalkAwayEx);
    SetWalkUpParms(&blocks.WalkUp);
    SetWalkUpParmsEx(&blocks.WalkUpEx);
    SetSonarParms(&blocks.Sonar);
    SetIdleParms(&blocks.Idle);
}

int Failed(std::string* failure, std::string reason)
{
    if (failure) *failure = std::move(reason);
    return 0;
}

}  // namespace

int WriteDevCfgToFile(const std::string& path, std::string* failure)
{
    std::string reason;
    if (!WriteTextFile(path, TemplateText(CurrentDevRecord()), reason)) return Failed(failure, reason);
    return 1;
}

int ReadTemplateValues(const std::string& path, ConfigSet& blocks, std::string* failure)
{
    TextFileReader file;
    std::string reason;
    if (!file.Open(path, kMaxTemplateFileBytes, reason)) return Failed(failure, reason);
    ConfigSet working = blocks;
    PieceReader reader(file);
    std::string piece;
    bool anyValue = false;
    while (reader.Next(piece)) anyValue = ApplyLine(piece, working) || anyValue;
    if (!reader.Failure().empty()) return Failed(failure, reader.Failure());
    if (!anyValue) return Failed(failure, path + ": no line of this file is a configuration template value");
    blocks = working;
    return 1;
}

int ReadDevCfgFmFile(const std::string& path, std::string* failure)
{
    ConfigSet working = BlocksOf(CurrentDevRecord());
    if (!ReadTemplateValues(path, working, failure)) return 0;
    StoreBlocks(working);
    return 1;
}
