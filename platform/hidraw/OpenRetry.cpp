#include "OpenRetry.h"

#include <cerrno>

namespace hidraw {

namespace {

bool mayStillAppear(int error)
{
    return error == EACCES || error == ENOENT;
}

}  // namespace

int openRetryingWhileDenied(const std::function<int()>& openOnce,
                            const std::function<void(std::uint32_t)>& sleepMs)
{
    for (int attempt = 1;; ++attempt) {
        const int result = openOnce();
        if (result >= 0 || !mayStillAppear(-result) || attempt == kOpenAttempts) {
            return result;
        }
        sleepMs(kOpenRetryMs);
    }
}

}  // namespace hidraw
