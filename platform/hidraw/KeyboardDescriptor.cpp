#include "KeyboardDescriptor.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace hidraw {

namespace {

enum class ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kLongItemFieldBytes = 2;  // data size and tag after the prefix

constexpr std::uint8_t kMainCollection = 0x0A;
constexpr std::uint8_t kMainEndCollection = 0x0C;
constexpr std::uint8_t kGlobalUsagePage = 0x00;
constexpr std::uint8_t kGlobalPush = 0x0A;
constexpr std::uint8_t kGlobalPop = 0x0B;
constexpr std::uint8_t kLocalUsage = 0x00;

constexpr std::uint32_t kApplicationCollection = 0x01;
constexpr std::uint16_t kGenericDesktopPage = 0x01;
constexpr std::uint16_t kKeyboardUsage = 0x06;

struct Item {
    ItemType Type = ItemType::Reserved;
    std::uint8_t Tag = 0;
    std::uint32_t Data = 0;
    std::size_t DataBytes = 0;
};

// Reads the item at the offset and moves the offset past it; nullopt when the
// item runs past the end. Long items carry nothing of interest and come back
// as reserved items.
std::optional<Item> readItem(std::span<const std::uint8_t> descriptor, std::size_t& offset)
{
    const std::uint8_t prefix = descriptor[offset];
    const std::size_t remaining = descriptor.size() - offset - 1;
    if (prefix == kLongItemPrefix) {
        if (remaining < kLongItemFieldBytes || remaining - kLongItemFieldBytes < descriptor[offset + 1]) {
            return std::nullopt;
        }
        offset += 1 + kLongItemFieldBytes + descriptor[offset + 1];
        return Item{};
    }
    constexpr std::size_t kShortDataBytes[] = {0, 1, 2, 4};
    Item item;
    item.DataBytes = kShortDataBytes[prefix & 0x03];
    item.Type = static_cast<ItemType>((prefix >> 2) & 0x03);
    item.Tag = prefix >> 4;
    if (remaining < item.DataBytes) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < item.DataBytes; ++i) {
        item.Data |= static_cast<std::uint32_t>(descriptor[offset + 1 + i]) << (8 * i);
    }
    offset += 1 + item.DataBytes;
    return item;
}

// Follows the items that decide what the first application collection is.
class DescriptorWalk {
public:
    // False when the item makes the descriptor malformed.
    bool step(const Item& item)
    {
        switch (item.Type) {
            case ItemType::Main:
                return stepMain(item);
            case ItemType::Global:
                return stepGlobal(item);
            case ItemType::Local:
                stepLocal(item);
                return true;
            case ItemType::Reserved:
                return true;
        }
        return true;
    }

    bool collectionsClosed() const { return depth_ == 0; }
    bool firstApplicationIsKeyboard() const { return firstApplicationIsKeyboard_.value_or(false); }

private:
    bool stepMain(const Item& item)
    {
        bool wellFormed = true;
        if (item.Tag == kMainCollection) {
            if (depth_ == 0 && item.Data == kApplicationCollection && !firstApplicationIsKeyboard_) {
                firstApplicationIsKeyboard_ = collectionUsageIsKeyboard();
            }
            ++depth_;
        } else if (item.Tag == kMainEndCollection) {
            wellFormed = depth_ > 0;
            --depth_;
        }
        hasFirstUsage_ = false;
        return wellFormed;
    }

    bool stepGlobal(const Item& item)
    {
        if (item.Tag == kGlobalUsagePage) {
            usagePage_ = static_cast<std::uint16_t>(item.Data);
        } else if (item.Tag == kGlobalPush) {
            pushedPages_.push_back(usagePage_);
        } else if (item.Tag == kGlobalPop) {
            if (pushedPages_.empty()) {
                return false;
            }
            usagePage_ = pushedPages_.back();
            pushedPages_.pop_back();
        }
        return true;
    }

    void stepLocal(const Item& item)
    {
        if (item.Tag == kLocalUsage && !hasFirstUsage_) {
            firstUsage_ = item;
            hasFirstUsage_ = true;
        }
    }

    // A four-byte usage names its own page; a shorter one takes the usage page
    // in force when the collection opens.
    bool collectionUsageIsKeyboard() const
    {
        if (!hasFirstUsage_) {
            return false;
        }
        const bool extended = firstUsage_.DataBytes == 4;
        const std::uint16_t page = extended ? static_cast<std::uint16_t>(firstUsage_.Data >> 16) : usagePage_;
        const std::uint16_t usage = static_cast<std::uint16_t>(firstUsage_.Data);
        return page == kGenericDesktopPage && usage == kKeyboardUsage;
    }

    int depth_ = 0;
    std::uint16_t usagePage_ = 0;
    std::vector<std::uint16_t> pushedPages_;
    // A plain member rather than an optional: GCC at -O2 takes the optional's
    // payload for uninitialised.
    Item firstUsage_;
    bool hasFirstUsage_ = false;
    std::optional<bool> firstApplicationIsKeyboard_;
};

}  // namespace

bool isKeyboardReportDescriptor(std::span<const std::uint8_t> descriptor)
{
    DescriptorWalk walk;
    std::size_t offset = 0;
    while (offset < descriptor.size()) {
        const auto item = readItem(descriptor, offset);
        if (!item || !walk.step(*item)) {
            return false;
        }
    }
    return walk.collectionsClosed() && walk.firstApplicationIsKeyboard();
}

}  // namespace hidraw
