#pragma once

// Opening a node that udev has only just created: access may be granted a
// moment after the node appears, so a refused open is tried again briefly.

#include <cstdint>
#include <functional>

namespace hidraw {

inline constexpr int kOpenAttempts = 5;
inline constexpr std::uint32_t kOpenRetryMs = 100;

// Calls openOnce (a descriptor, or minus the errno) until it gives a
// descriptor or fails with anything but EACCES, at most kOpenAttempts times,
// sleeping kOpenRetryMs between tries. The descriptor, or -1.
int openRetryingWhileDenied(const std::function<int()>& openOnce,
                            const std::function<void(std::uint32_t)>& sleepMs);

}  // namespace hidraw
