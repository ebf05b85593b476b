// vm_hidraw_check: the device library on the hidraw backend against devices
// made with uhid (vm_uhid_sensor) or a USB gadget, inside the test VM. Each
// mode prints PASS and FAIL lines and ends with "N passed, N failed".
//
//   discovery SENSOR_A SENSOR_B KEYBOARD MOUSE   (hidraw node names)
//       two sensors of the two vendors found beside a plain keyboard and a
//       mouse with the sensor's ids; neither of those two nodes is opened
//   scenario TRANSCRIPT STATE [--no-extension-sets]
//       the library's work on the emulated sensor compared with the same work
//       on a sim sensor: results, the reports received and the pauses
//       between them, the sensor's end state
//   hotplug EMULATOR_PID [--during-exchange]
//       the backend's monitor while the sensor is unplugged and plugged in
//       again, optionally in the middle of an exchange
//   access refused|granted COUNT
//       run by a user without (or with) access to COUNT sensors' nodes
//   usb    the sensor on a USB chain: its firmware version from bcdDevice
//   list COUNT
//       opens every sensor and prints one line per sensor

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CheckLog.h"
#include "Scenario.h"
#include "SensorText.h"
#include "Transcript.h"
#include "devlib/DevLib.h"
#include "platform/DevicePath.h"
#include "platform/SensorIds.h"
#include "platform/hidraw/HidrawMonitor.h"
#include "platform/hidraw/HidrawPath.h"
#include "platform/hidraw/HidrawPlatform.h"
#include "platform/sim/SimPlatform.h"

using vmtest::check;
using vmtest::format;
using vmtest::note;

namespace {

constexpr int kEventWaitMs = 5000;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string nodeOf(const std::string& path)
{
    const auto parts = hidraw::parseDevicePath(path);
    return parts ? parts->Node : std::string("?");
}

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text.empty() ? "none" : text;
}

// Counts the opens of device nodes, whoever makes them.
class OpenWatch {
public:
    explicit OpenWatch(const std::vector<std::string>& nodes) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        for (const std::string& node : nodes) {
            const int watch = inotify_add_watch(fd_, ("/dev/" + node).c_str(), IN_OPEN);
            if (watch >= 0) nodes_[watch] = node;
            opens_[node] = watch >= 0 ? 0 : -1;
        }
    }
    ~OpenWatch() { ::close(fd_); }

    // Opens seen per node since the start; -1 for a node that could not be watched.
    std::map<std::string, int> opens()
    {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->mask & IN_OPEN) ++opens_[nodes_[event->wd]];
                at += sizeof(inotify_event) + event->len;
            }
        }
        return opens_;
    }

private:
    int fd_;
    std::map<int, std::string> nodes_;
    std::map<std::string, int> opens_;
};

std::vector<platform::DeviceEvent> waitForEvents(hidraw::HidrawMonitor& monitor, int timeoutMs)
{
    std::vector<platform::DeviceEvent> events;
    const auto start = std::chrono::steady_clock::now();
    while (events.empty() && monitor.fd() >= 0) {
        const int left = timeoutMs - static_cast<int>(secondsSince(start) * 1000);
        if (left <= 0) break;
        pollfd fds{monitor.fd(), POLLIN, 0};
        if (::poll(&fds, 1, left) > 0)
            for (auto& event : monitor.readEvents()) events.push_back(event);
    }
    return events;
}

std::string describe(const std::vector<platform::DeviceEvent>& events)
{
    std::vector<std::string> texts;
    for (const auto& e : events)
        texts.push_back((e.Kind == platform::DeviceEventKind::Arrival ? "arrival " : "removal ") + e.Path);
    return joined(texts);
}

bool isOnly(const std::vector<platform::DeviceEvent>& events, platform::DeviceEventKind kind)
{
    return events.size() == 1 && events[0].Kind == kind;
}

std::vector<std::string> slotPaths()
{
    std::vector<std::string> paths;
    for (int i = 0; i < GetDevCount(); ++i) paths.push_back(LibState().Slots[i].DevicePath);
    return paths;
}

// ---- modes -------------------------------------------------------------------

int discovery(const std::string& sensorA, const std::string& sensorB, const std::string& keyboard,
              const std::string& mouse)
{
    hidraw::HidrawPlatform backend;
    platform::install(&backend);
    OpenWatch watch({sensorA, sensorB, keyboard, mouse});

    const auto paths = backend.presentKeyboardPaths().value_or(std::vector<std::string>{});
    std::vector<std::string> nodes;
    for (const auto& path : paths) nodes.push_back(nodeOf(path));
    const auto listed = [&](const std::string& node) { return std::ranges::count(nodes, node) == 1; };
    check(listed(sensorA) && listed(sensorB) && listed(keyboard) && !listed(mouse),
          "discovery: the keyboards are listed, the mouse is not", joined(paths));

    std::uint32_t fw = 0;
    const int opened = OpenSensors(&fw);
    const std::vector<std::string> expected = {
        platform::makeDevicePath(kSensorVendorIdA, kSensorProductId, sensorA),
        platform::makeDevicePath(kSensorVendorIdB, kSensorProductId, sensorB)};
    check(opened == 1 && slotPaths() == expected,
          "discovery: OpenSensors takes both sensors, in enumeration order",
          format("result=%d slots: %s", opened, joined(slotPaths()).c_str()));
    for (std::int16_t i = 0; i < GetDevCount(); ++i) {
        SelectDev(i);
        tsSonarParms sonar{};
        check(GetSonarParms(&sonar) == 1 && GetDevFwVersion() == 0x0405 && GetDevStatus() == 0,
              format("discovery: slot %d read completely", i),
              format("fw=%04x luid=%04x status=%08x", GetDevFwVersion(), GetDevLuid(), GetDevStatus()));
    }
    CloseAllDevices();

    auto opens = watch.opens();
    check(
        opens[sensorA] > 0 && opens[sensorB] > 0, "discovery: the sensors' nodes were opened",
        format("%s %d times, %s %d times", sensorA.c_str(), opens[sensorA], sensorB.c_str(), opens[sensorB]));
    check(opens[keyboard] == 0 && opens[mouse] == 0,
          "discovery: the keyboard's and the mouse's nodes were never opened",
          format("%s %d times, %s %d times", keyboard.c_str(), opens[keyboard], mouse.c_str(), opens[mouse]));
    return vmtest::finish();
}

int scenario(const std::string& transcript, const std::string& state, bool extensionSets)
{
    // The reference: the same work on a sim sensor of the same firmware and LUID.
    vmtest::RecordingBackend<sim::SimPlatform> sim;
    platform::install(&sim);
    const sim::DeviceId simSensor = sim.plugSensor(0x0405, 0x0042);
    sim.sensor(simSensor).ExtensionSetsSupported = extensionSets;
    const vmtest::ScenarioOutcome expected = vmtest::runScenario();
    const std::string expectedState = vmtest::describeSensor(sim.sensor(simSensor));
    const auto expectedWire = vmtest::simWire(sim.transcript(), sim.pathOf(simSensor));
    CloseAllDevices();

    vmtest::RecordingBackend<hidraw::HidrawPlatform> backend;
    platform::install(&backend);
    const std::size_t wireBefore = vmtest::readUhidWire(transcript).size();
    const auto start = std::chrono::steady_clock::now();
    const vmtest::ScenarioOutcome actual = vmtest::runScenario();
    note(format("the work took %.1f s on hidraw", secondsSince(start)));
    CloseAllDevices();

    check(hidraw::parseDevicePath(actual.DevicePath).has_value(),
          "scenario: slot 0 has a hidraw interface path", actual.DevicePath);
    for (std::size_t i = 0; i < std::max(expected.Lines.size(), actual.Lines.size()); ++i) {
        const std::string want = i < expected.Lines.size() ? expected.Lines[i] : "(nothing)";
        const std::string got = i < actual.Lines.size() ? actual.Lines[i] : "(nothing)";
        check(want == got, "scenario: " + got.substr(0, got.find(':')),
              want == got ? got.substr(got.find(':') + 2) : "hidraw: " + got + " | sim: " + want);
    }
    std::size_t firstOff = 0;
    while (firstOff < std::min(backend.Calls.size(), sim.Calls.size()) &&
           backend.Calls[firstOff] == sim.Calls[firstOff])
        ++firstOff;
    const bool sameCalls = backend.Calls == sim.Calls;
    check(sameCalls, "backend: the library asked hidraw for the sim's reports and waits, wait for wait",
          sameCalls ? format("%zu calls", sim.Calls.size())
                    : format("call %zu: hidraw '%s' | sim '%s'", firstOff,
                             firstOff < backend.Calls.size() ? backend.Calls[firstOff].c_str() : "nothing",
                             firstOff < sim.Calls.size() ? sim.Calls[firstOff].c_str() : "nothing"));

    auto wire = vmtest::readUhidWire(transcript);
    wire.erase(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(std::min(wireBefore, wire.size())));
    const std::string wireDifference = vmtest::firstWireDifference(wire, expectedWire);
    check(wireDifference.empty(),
          "kernel: the emulated sensor received what the sim sensor received, byte for byte",
          wireDifference.empty() ? format("%zu reports", wire.size()) : wireDifference);
    const std::string shortPause = vmtest::firstShortPause(wire, expectedWire);
    check(shortPause.empty(), "kernel: no pause between reports is shorter than on the sim",
          shortPause.empty() ? format("%zu pauses", wire.empty() ? 0 : wire.size() - 1) : shortPause);
    const std::string actualState = readFile(state);
    check(actualState == expectedState, "state: the emulated sensor ends as the sim sensor does",
          actualState == expectedState ? "identical"
                                       : "\n--- emulated\n" + actualState + "--- sim\n" + expectedState);
    return vmtest::finish();
}

// The sensor leaves and comes back; the monitor reports both, and the
// library follows.
void unplugAndPlug(hidraw::HidrawMonitor& monitor, pid_t emulator, bool duringExchange)
{
    const char* how = duringExchange ? "unplugged during an exchange" : "unplugged";
    const std::string path = LibState().Slots[0].DevicePath;
    const std::uint16_t luid = GetDevLuid();
    if (duringExchange) {
        ::kill(emulator, SIGUSR2);
        ::usleep(200000);
        const auto start = std::chrono::steady_clock::now();
        const int read = ReadDevConfig();
        const std::uint32_t status = GetDevStatus();
        check(read == 0 && (status == (kStatusReadConfigFailed | kStatusSendFailed) ||
                            status == (kStatusReadConfigFailed | kStatusReadFailed)),
              "hotplug: a read cut off by the unplug fails with a transfer status",
              format("result=%d status=%08x after %.2f s", read, status, secondsSince(start)));
    } else {
        ::kill(emulator, SIGUSR1);
    }
    auto events = waitForEvents(monitor, kEventWaitMs);
    check(isOnly(events, platform::DeviceEventKind::Removal) && events[0].Path == path,
          format("hotplug (%s): the monitor reports the removal under the slot's path", how),
          describe(events));
    const int removed = OnDevRemoval(path.c_str());
    check(removed == 1 && GetDevCount() == 0, format("hotplug (%s): OnDevRemoval empties the table", how),
          format("result=%d count=%d", removed, GetDevCount()));

    ::kill(emulator, SIGUSR1);
    events = waitForEvents(monitor, kEventWaitMs);
    const bool arrived = isOnly(events, platform::DeviceEventKind::Arrival);
    check(arrived && hidraw::parseDevicePath(events[0].Path) &&
              hidraw::parseDevicePath(events[0].Path)->VendorId == kSensorVendorIdA,
          format("hotplug (%s): the monitor reports the arrival of the sensor", how), describe(events));
    const int added = arrived ? OnDevArrival(events[0].Path.c_str()) : 0;
    const int read = added ? ReadDevConfig() : 0;
    check(added == 1 && read == 1 && GetDevStatus() == 0 && GetDevLuid() == luid,
          format("hotplug (%s): OnDevArrival opens it and it reads completely", how),
          format("arrival=%d read=%d status=%08x luid=%04x", added, read, GetDevStatus(), GetDevLuid()));
}

int hotplug(pid_t emulator, bool duringExchange)
{
    hidraw::HidrawPlatform backend;
    platform::install(&backend);
    hidraw::HidrawMonitor monitor;
    check(monitor.fd() >= 0, "hotplug: the backend's monitor is set up");
    std::uint32_t fw = 0;
    const int opened = OpenSensors(&fw);
    check(opened == 1 && GetDevCount() == 1, "hotplug: OpenSensors takes the sensor", joined(slotPaths()));
    unplugAndPlug(monitor, emulator, false);
    if (duringExchange) unplugAndPlug(monitor, emulator, true);
    CloseAllDevices();
    return vmtest::finish();
}

int access(bool granted, int count)
{
    hidraw::HidrawPlatform backend;
    platform::install(&backend);
    std::uint32_t fw = 0;
    const auto start = std::chrono::steady_clock::now();
    const int opened = OpenSensors(&fw);
    const double seconds = secondsSince(start);
    const std::vector<std::string> refused = backend.inaccessibleSensorPaths();
    const bool allSensors = std::ranges::all_of(refused, [](const std::string& path) {
        const auto parts = hidraw::parseDevicePath(path);
        return parts && (parts->VendorId == kSensorVendorIdA || parts->VendorId == kSensorVendorIdB);
    });
    const std::string who = format("uid %d", static_cast<int>(::getuid()));
    if (granted) {
        check(opened == 1 && GetDevCount() == count && refused.empty(),
              format("access (%s, nodes granted): every sensor opens, none is reported inaccessible",
                     who.c_str()),
              format("result=%d count=%d inaccessible: %s", opened, GetDevCount(), joined(refused).c_str()));
    } else {
        check(opened == 0 && GetDevCount() == 0,
              format("access (%s, no access): no sensor opens", who.c_str()),
              format("result=%d count=%d after %.2f s of retries", opened, GetDevCount(), seconds));
        check(static_cast<int>(refused.size()) == count && allSensors,
              "access: the backend reports each sensor as present but inaccessible", joined(refused));
    }
    CloseAllDevices();
    return vmtest::finish();
}

// The gadget answers no feature report, so only discovery and the
// attributes are looked at.
int usb()
{
    hidraw::HidrawPlatform backend;
    platform::install(&backend);
    std::uint32_t fw = 0;
    OpenSensors(&fw);
    const tsDevSlot& slot = LibState().Slots[0];
    check(GetDevCount() == 1 && slot.FwVersion == 0x0405,
          "usb: discovery takes the USB sensor, its firmware version from bcdDevice",
          format("count=%d fw=%04x path=%s", GetDevCount(), slot.FwVersion, joined(slotPaths()).c_str()));
    CloseAllDevices();
    return vmtest::finish();
}

int list(int count)
{
    hidraw::HidrawPlatform backend;
    platform::install(&backend);
    std::uint32_t fw = 0;
    const int opened = OpenSensors(&fw);
    for (std::int16_t i = 0; i < GetDevCount(); ++i) {
        SelectDev(i);
        std::printf("sensor %d: %s fw=%04x luid=%04x status=%08x\n", i, LibState().Slots[i].DevicePath,
                    GetDevFwVersion(), GetDevLuid(), GetDevStatus());
    }
    check(opened == 1 && GetDevCount() == count, "list: OpenSensors",
          format("result=%d count=%d", opened, GetDevCount()));
    CloseAllDevices();
    return vmtest::finish();
}

int usage()
{
    std::fprintf(stderr,
                 "usage: vm_hidraw_check discovery SENSOR_A SENSOR_B KEYBOARD MOUSE\n"
                 "       vm_hidraw_check scenario TRANSCRIPT STATE [--no-extension-sets]\n"
                 "       vm_hidraw_check hotplug EMULATOR_PID [--during-exchange]\n"
                 "       vm_hidraw_check access refused|granted COUNT\n"
                 "       vm_hidraw_check usb\n"
                 "       vm_hidraw_check list COUNT\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto has = [&](std::size_t n) { return args.size() >= n; };
    const std::string mode = has(1) ? args[0] : "";
    if (mode == "discovery" && has(5)) return discovery(args[1], args[2], args[3], args[4]);
    if (mode == "scenario" && has(3))
        return scenario(args[1], args[2], !(has(4) && args[3] == "--no-extension-sets"));
    if (mode == "hotplug" && has(2))
        return hotplug(static_cast<pid_t>(std::atoi(args[1].c_str())),
                       has(3) && args[2] == "--during-exchange");
    if (mode == "access" && has(3)) return access(args[1] == "granted", std::atoi(args[2].c_str()));
    if (mode == "usb") return usb();
    if (mode == "list" && has(2)) return list(std::atoi(args[1].c_str()));
    return usage();
}
