#include "OpenRetry.h"

#include <cerrno>

namespace hidraw {

int openRetryingWhileDenied(const std::function<int()>& openOnce,
                            const std::function<void(std::uint32_t)>& sleepMs)
{
    for (int attempt = 1;; ++attempt) {
        const int result = openOnce();
        if (result >= 0) {
            return result;
        }
        if (result != -EACCES || attempt == kOpenAttempts) {
            return -1;
        }
        sleepMs(kOpenRetryMs);
    }
}

}  // namespace hidraw
