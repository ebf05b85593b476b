#pragma once

// The sensors present but refused to this user: the paths whose latest open
// was refused for lack of access, in the order refused, kept only while the
// system still refuses them. Opens are noted on one thread while another may
// ask for the refusals.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace win32 {

class AccessRefusals {
public:
    // Notes the outcome of an open of the path.
    void noteOpen(const std::string& path, bool refusedAccess);

    // The refused paths that stillRefused confirms; the others are forgotten.
    std::vector<std::string> confirmed(const std::function<bool(const std::string&)>& stillRefused);

private:
    std::mutex mutex_;
    std::vector<std::string> refused_;
};

}  // namespace win32
