#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/ServiceBinding.h"

namespace {

using win32::EntryAddress;
using win32::ServiceBinding;

void first() {}
void second() {}

// A module's exports by name, and the names asked for, in order.
struct FakeModule {
    std::map<std::string, EntryAddress> Exports;
    std::vector<std::string> Asked;

    auto finder()
    {
        return [this](const char* name) -> EntryAddress {
            Asked.emplace_back(name);
            const auto found = Exports.find(name);
            return found != Exports.end() ? found->second : nullptr;
        };
    }
};

TEST(Win32ServiceBinding, RecordsTheAddressFoundForAListedName)
{
    ServiceBinding binding("X.DLL", {"One", "Two"});
    FakeModule module{{{"One", &first}, {"Two", &second}}, {}};
    EXPECT_EQ(binding.module(), "X.DLL");
    EXPECT_EQ(binding.address("Two"), nullptr);

    EXPECT_TRUE(binding.lookUp("Two", module.finder()));
    EXPECT_EQ(binding.address("Two"), &second);
    EXPECT_EQ(binding.address("One"), nullptr);
    EXPECT_EQ(module.Asked, std::vector<std::string>{"Two"});
}

TEST(Win32ServiceBinding, AMissingOrUnlistedEntryPointIsNotFound)
{
    ServiceBinding binding("X.DLL", {"One", "Two"});
    FakeModule module{{{"One", &first}, {"Three", &second}}, {}};

    EXPECT_FALSE(binding.lookUp("Two", module.finder()));
    EXPECT_EQ(binding.address("Two"), nullptr);
    // The module has it, but the backend does not bind it: never asked for.
    EXPECT_FALSE(binding.lookUp("Three", module.finder()));
    EXPECT_EQ(binding.address("Three"), nullptr);
    // Names are compared exactly, as the system's look-up does.
    EXPECT_FALSE(binding.lookUp("one", module.finder()));
    EXPECT_EQ(module.Asked, std::vector<std::string>{"Two"});
}

TEST(Win32ServiceBinding, ForgetsAddressesOnceUnloaded)
{
    ServiceBinding binding("X.DLL", {"One"});
    FakeModule module{{{"One", &first}}, {}};
    ASSERT_TRUE(binding.lookUp("One", module.finder()));
    binding.forgetAddresses();
    EXPECT_EQ(binding.address("One"), nullptr);
}

TEST(Win32ServiceBinding, TheServicesBindTheEntryPointsTheDeviceLibraryAsksFor)
{
    struct Service {
        ServiceBinding Binding;
        std::string Module;
        std::vector<std::string> EntryPoints;
    };
    for (Service& service : std::vector<Service>{
             {win32::hidServiceBinding(),
              "HID.DLL",
              {"HidD_GetAttributes", "HidD_GetFeature", "HidD_SetFeature", "HidD_GetHidGuid",
               "HidP_GetCaps"}},
             {win32::setupServiceBinding(),
              "SETUPAPI.DLL",
              {"SetupDiGetClassDevsA", "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailA",
               "SetupDiDestroyDeviceInfoList"}},
         }) {
        EXPECT_EQ(service.Binding.module(), service.Module);
        FakeModule module;
        for (const std::string& name : service.EntryPoints) module.Exports[name] = &first;
        for (const std::string& name : service.EntryPoints) {
            EXPECT_TRUE(service.Binding.lookUp(name, module.finder())) << service.Module << " " << name;
        }
    }
}

}  // namespace
