#include "ServiceBinding.h"

#include <algorithm>
#include <utility>

#include "platform/ServiceEntryPoints.h"

namespace win32 {

ServiceBinding::ServiceBinding(std::string module, std::vector<std::string> entryPoints)
    : module_(std::move(module))
{
    for (std::string& name : entryPoints) {
        entries_.push_back({std::move(name), nullptr});
    }
}

bool ServiceBinding::lookUp(std::string_view entryPoint, const std::function<EntryAddress(const char*)>& find)
{
    const auto listed =
        std::ranges::find_if(entries_, [&](const Entry& entry) { return entry.Name == entryPoint; });
    if (listed == entries_.end()) {
        return false;
    }
    listed->Address = find(listed->Name.c_str());
    return listed->Address != nullptr;
}

EntryAddress ServiceBinding::address(std::string_view entryPoint) const
{
    const auto listed =
        std::ranges::find_if(entries_, [&](const Entry& entry) { return entry.Name == entryPoint; });
    return listed != entries_.end() ? listed->Address : nullptr;
}

void ServiceBinding::forgetAddresses()
{
    for (Entry& entry : entries_) {
        entry.Address = nullptr;
    }
}

namespace {

std::vector<std::string> entryPointNames(platform::Service service)
{
    const std::span<const std::string_view> names = platform::entryPointsOf(service);
    return {names.begin(), names.end()};
}

}  // namespace

ServiceBinding hidServiceBinding()
{
    return ServiceBinding("HID.DLL", entryPointNames(platform::Service::Hid));
}

ServiceBinding setupServiceBinding()
{
    return ServiceBinding("SETUPAPI.DLL", entryPointNames(platform::Service::Setup));
}

}  // namespace win32
