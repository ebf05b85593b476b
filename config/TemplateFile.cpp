#include "config/TemplateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "config/TemplateFields.h"
#include "devlib/DevLib.h"

namespace {

// ---- Text of the file ------------------------------------------------------

tsDevSlot& CurrentSlot()
{
    tsLibState& state = LibState();
    return state.Slots[state.CurrentSlot];
}

ConfigSet BlocksOf(const tsDevSlot& slot)
{
    return ConfigSet{slot.Sonar, slot.WalkAway, slot.WalkUp, slot.WalkAwayEx, slot.WalkUpEx, slot.Idle};
}

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

// ---- Writing -----------------------------------------------------------------

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A symbolic link is followed, so the file it points to is replaced and the
// link stays.
std::string ResolvedTarget(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error || resolved.empty() ? path : resolved.string();
}

std::string FolderOf(const std::string& target)
{
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// Creates a new file beside target; -1 when none can be created.
int CreateTempBeside(const std::string& target, std::string& tempPath)
{
    static unsigned sequence = 0;
    const std::string stem = FolderOf(target) + "/.tolvane-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(++sequence) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes the whole text into a new file beside target and renames it over
// target only when it was completely written, synced and closed.
bool ReplaceFile(const std::string& target, std::string_view text, const struct stat* existing)
{
    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text);
    if (ok && existing != nullptr) ok = ::fchmod(fd, existing->st_mode & 07777) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = std::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

// Devices and pipes cannot be replaced; they are written where they are.
bool WriteInPlace(const std::string& target, std::string_view text)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, text);
    return ::close(fd) == 0 && ok;
}

// ---- Reading -----------------------------------------------------------------

// Hands out the file as lines of at most 127 characters each; a longer line
// comes out as several pieces. The newline stays part of its piece.
class PieceReader {
public:
    explicit PieceReader(int fd) : fd_(fd) {}

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

    bool Failed() const { return failed_; }

private:
    static constexpr std::size_t kPieceLength = 127;

    bool Fill()
    {
        if (failed_) return false;
        ssize_t got;
        do {
            got = ::read(fd_, buffer_, sizeof buffer_);
        } while (got < 0 && errno == EINTR);
        if (got < 0) failed_ = true;
        pos_ = 0;
        end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        return end_ > 0;
    }

    int fd_;
    char buffer_[16384];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool failed_ = false;
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
// of a known field.
void ApplyLine(std::string_view line, ConfigSet& working)
{
    // A NUL byte ends the line's text, as it ends a C string.
    line = line.substr(0, line.find('\0'));
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == '/' || line.front() == ':') return;
    const std::string_view name = NextToken(line);
    const std::string_view valueToken = NextToken(line);
    if (valueToken.empty()) return;
    const std::optional<std::uint16_t> value = ParseWordValue(valueToken);
    if (!value) return;
    if (const TemplateField* field = FindTemplateField(name)) FieldWord(working, *field) = *value;
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

}  // namespace

int WriteDevCfgToFile(const std::string& path)
{
    if (path.empty()) return 0;
    const std::string text = TemplateText(CurrentSlot());
    const std::string target = ResolvedTarget(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) return ReplaceFile(target, text, nullptr) ? 1 : 0;
    if (S_ISREG(existing.st_mode)) return ReplaceFile(target, text, &existing) ? 1 : 0;
    if (S_ISDIR(existing.st_mode)) return 0;
    return WriteInPlace(target, text) ? 1 : 0;
}

int ReadDevCfgFmFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    ConfigSet working = BlocksOf(CurrentSlot());
    PieceReader reader(fd);
    std::string piece;
    while (reader.Next(piece)) ApplyLine(piece, working);
    ::close(fd);
    if (reader.Failed()) return 0;
    StoreBlocks(working);
    return 1;
}
