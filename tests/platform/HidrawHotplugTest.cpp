#include <gtest/gtest.h>

#include "platform/hidraw/HotplugTracker.h"

namespace {

using platform::DeviceEvent;
using platform::DeviceEventKind;

const std::string kSensorPath = "\\\\?\\HID#Vid_fff0&Pid_0001#hidraw3";
const std::string kOtherPath = "\\\\?\\HID#Vid_046d&Pid_c31c#hidraw3";

void expectEvent(const std::optional<DeviceEvent>& event, DeviceEventKind kind, const std::string& path)
{
    ASSERT_TRUE(event);
    EXPECT_EQ(event->Kind, kind);
    EXPECT_EQ(event->Path, path);
}

TEST(HotplugTracker, RemovalCarriesThePathTheArrivalAnnounced)
{
    hidraw::HotplugTracker tracker;
    expectEvent(tracker.arrival("hidraw3", kSensorPath), DeviceEventKind::Arrival, kSensorPath);
    expectEvent(tracker.removal("hidraw3", std::nullopt), DeviceEventKind::Removal, kSensorPath);
    // Reported once: the node is forgotten with its removal.
    EXPECT_FALSE(tracker.removal("hidraw3", std::nullopt));
}

TEST(HotplugTracker, NodePresentAtStartIsRemovedUnderItsFoundPath)
{
    hidraw::HotplugTracker tracker;
    tracker.remember("hidraw3", kSensorPath);
    expectEvent(tracker.removal("hidraw3", kOtherPath), DeviceEventKind::Removal, kSensorPath);
}

TEST(HotplugTracker, ReusedNodeNameIsRemovedUnderItsLatestPath)
{
    hidraw::HotplugTracker tracker;
    tracker.remember("hidraw3", kOtherPath);
    expectEvent(tracker.removal("hidraw3", std::nullopt), DeviceEventKind::Removal, kOtherPath);
    tracker.arrival("hidraw3", kSensorPath);
    expectEvent(tracker.removal("hidraw3", std::nullopt), DeviceEventKind::Removal, kSensorPath);
}

TEST(HotplugTracker, UnknownNodeIsRemovedOnlyWhenItsPathCanBeRead)
{
    hidraw::HotplugTracker tracker;
    tracker.arrival("hidraw2", kSensorPath);
    expectEvent(tracker.removal("hidraw5", kOtherPath), DeviceEventKind::Removal, kOtherPath);
    EXPECT_FALSE(tracker.removal("hidraw5", std::nullopt));
}

}  // namespace
