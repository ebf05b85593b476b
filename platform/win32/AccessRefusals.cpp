#include "AccessRefusals.h"

#include <algorithm>

namespace win32 {

void AccessRefusals::noteOpen(const std::string& path, bool refusedAccess)
{
    const std::lock_guard lock(mutex_);
    std::erase(refused_, path);
    if (refusedAccess) {
        refused_.push_back(path);
    }
}

std::vector<std::string> AccessRefusals::confirmed(
    const std::function<bool(const std::string&)>& stillRefused)
{
    const std::lock_guard lock(mutex_);
    std::erase_if(refused_, [&](const std::string& path) { return !stillRefused(path); });
    return refused_;
}

}  // namespace win32
