#include "config/ByteLimits.h"

namespace limits {

HeldNumber HoldAtLimit(std::uint32_t number, std::uint32_t limit, const ByteNumber& what)
{
    if (number <= limit) return {number, {}};
    return {limit, "The Maximum " + std::string(what.Label) + " is " + std::to_string(limit) + " " +
                       what.Unit + "!"};
}

}  // namespace limits
