#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/SensorIds.h"

namespace {

using Rule = std::set<std::string>;  // the comma-separated assignments and matches of one line

std::string sysfsId(std::uint16_t id)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}

Rule sensorRule(std::uint16_t vendor)
{
    return {"SUBSYSTEM==\"hidraw\"", "ATTRS{idVendor}==\"" + sysfsId(vendor) + "\"",
            "ATTRS{idProduct}==\"" + sysfsId(kSensorProductId) + "\"", "TAG+=\"uaccess\""};
}

// The policy service started for a sensor node that arrives or changes.
Rule policyRule(std::uint16_t vendor)
{
    return {"ACTION!=\"remove\"",
            "SUBSYSTEM==\"hidraw\"",
            "ATTRS{idVendor}==\"" + sysfsId(vendor) + "\"",
            "ATTRS{idProduct}==\"" + sysfsId(kSensorProductId) + "\"",
            "TAG+=\"systemd\"",
            "ENV{SYSTEMD_WANTS}+=\"tolvane-policy@%k.service\""};
}

std::vector<Rule> rulesIn(const std::string& fileName)
{
    std::ifstream file(fileName);
    EXPECT_TRUE(file) << fileName;
    std::vector<Rule> rules;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        Rule rule;
        for (std::size_t start = 0; start <= line.size();) {
            const std::size_t comma = line.find(", ", start);
            rule.insert(line.substr(start, comma - start));
            start = comma == std::string::npos ? line.size() + 1 : comma + 2;
        }
        rules.push_back(rule);
    }
    return rules;
}

// One rule per accepted vendor, with exactly the sensor's ids and the seat
// access tag: no mode, group or other grant; then one per vendor that starts
// the policy service, and no RUN program.
TEST(UdevRules, GrantTheSeatUserAccessToTheSensorNodesOnly)
{
    const std::vector<Rule> expected = {sensorRule(kSensorVendorIdA), sensorRule(kSensorVendorIdB),
                                        policyRule(kSensorVendorIdA), policyRule(kSensorVendorIdB)};
    EXPECT_EQ(rulesIn(TOLVANE_UDEV_RULES_FILE), expected);
}

}  // namespace
