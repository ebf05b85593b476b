#pragma once

// Opening a node that has only just appeared: udev may grant access a moment
// after the node is made, and where no udev daemon runs, whatever makes the
// node may not have made it yet. So a refused or missing node is tried again
// briefly.

#include <cstdint>
#include <functional>

namespace hidraw {

inline constexpr int kOpenAttempts = 5;
inline constexpr std::uint32_t kOpenRetryMs = 100;

// Calls openOnce (a descriptor, or minus the errno) until it gives a
// descriptor or fails with anything but EACCES or ENOENT, at most
// kOpenAttempts times, sleeping kOpenRetryMs between tries. The descriptor,
// or minus the errno of the last attempt.
int openRetryingWhileDenied(const std::function<int()>& openOnce,
                            const std::function<void(std::uint32_t)>& sleepMs);

}  // namespace hidraw
