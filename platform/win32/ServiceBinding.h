#pragma once

// A service module bound at run time: the module's file name, the entry points
// the backend binds from it by name, and the address found for each. Only an
// entry point listed here can be reported as present, so the device library's
// binding records say exactly what the backend can call.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

// Any entry point's address; cast to its own type where it is called.
using EntryAddress = void (*)();

class ServiceBinding {
public:
    ServiceBinding(std::string module, std::vector<std::string> entryPoints);

    const std::string& module() const { return module_; }

    // Looks a listed entry point up with find (GetProcAddress on the loaded
    // module) and records what was found. False for a name not listed, which
    // is never looked up, and for one the module lacks.
    bool lookUp(std::string_view entryPoint, const std::function<EntryAddress(const char*)>& find);

    // The address recorded for an entry point; nullptr when it was not looked
    // up, not found or not listed.
    EntryAddress address(std::string_view entryPoint) const;

    // Drops every recorded address, once the module is unloaded.
    void forgetAddresses();

private:
    struct Entry {
        std::string Name;
        EntryAddress Address = nullptr;
    };

    std::string module_;
    std::vector<Entry> entries_;
};

// The HID class service, with the entry points of platform/ServiceEntryPoints.h:
// identification and the feature-report transfers. HidD_GetHidGuid and
// HidP_GetCaps are never called but must be present.
ServiceBinding hidServiceBinding();
// The device-setup service: enumeration of the present keyboard interfaces.
ServiceBinding setupServiceBinding();

}  // namespace win32
