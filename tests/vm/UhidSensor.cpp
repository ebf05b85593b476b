// vm_uhid_sensor: a HID device made through /dev/uhid whose feature reports
// are answered by the sim backend's firmware, in real time: by default the
// sensor, with --plain a keyboard that is no sensor, with --descriptor mouse
// a mouse.
//
// The transcript gets one line per event the kernel hands over, with the
// milliseconds since start:
//   <ms> CREATE <vendor>:<product>    <ms> DESTROY
//   <ms> OPEN                         <ms> CLOSE      (the kernel's first open and last close)
//   <ms> GET rnum=<n> type=<t> ok=<0|1> data=<answer bytes>
//   <ms> SET rnum=<n> type=<t> ok=<0|1> data=<bytes as received>
//   <ms> UNANSWERED <GET|SET>         (unplugged instead of answering)
// The state file is rewritten with the sensor's whole state after each SET.
//
// Signals: SIGUSR1 unplugs the device, or plugs it in again, keeping the
// sensor's state; SIGUSR2 makes the next request unplug the device instead of
// being answered; SIGTERM ends.

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "SensorText.h"
#include "platform/SensorIds.h"
#include "platform/sim/SimPlatform.h"

namespace {

// A boot keyboard, optionally with an eight-byte vendor-defined feature
// report without report id, as the sensor has.
std::vector<std::uint8_t> keyboardDescriptor(bool withFeature)
{
    std::vector<std::uint8_t> d = {
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // Generic Desktop, Keyboard, Application
        0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,  // modifier bits
        0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,  //
        0x95, 0x01, 0x75, 0x08, 0x81, 0x01,              // reserved byte
        0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,  // LEDs
        0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03,  //
        0x91, 0x01,                                      // LED padding
        0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,  // six key codes
        0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,  //
    };
    if (withFeature) {
        for (std::uint8_t byte :
             {0x06, 0x00, 0xFF, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02})
            d.push_back(byte);
    }
    d.push_back(0xC0);
    return d;
}

// A three-button mouse.
std::vector<std::uint8_t> mouseDescriptor()
{
    return {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
            0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
            0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
            0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};
}

struct Options {
    unsigned Vendor = kSensorVendorIdA;
    unsigned Product = kSensorProductId;
    unsigned Fw = 0x0405;
    unsigned Luid = 0x0042;
    std::string Descriptor = "keyboard";  // keyboard, keyboard-nofeature, mouse
    std::string Name = "tolvane test sensor";
    std::string Transcript;
    std::string State;
    bool Plain = false;
    bool NoExtensionSets = false;
};

const char* typeName(std::uint8_t rtype)
{
    switch (rtype) {
        case UHID_FEATURE_REPORT:
            return "feature";
        case UHID_OUTPUT_REPORT:
            return "output";
        case UHID_INPUT_REPORT:
            return "input";
    }
    return "?";
}

class UhidDevice {
public:
    explicit UhidDevice(Options options) : options_(std::move(options)), sim_(true)
    {
        device_ = options_.Plain ? sim_.plugKeyboard(static_cast<std::uint16_t>(options_.Vendor),
                                                     static_cast<std::uint16_t>(options_.Product))
                                 : sim_.plugSensor(static_cast<std::uint16_t>(options_.Fw),
                                                   static_cast<std::uint16_t>(options_.Luid));
        if (!options_.Plain) {
            sim::VirtualSensor& sensor = sim_.sensor(device_);
            sensor.VendorID = static_cast<std::uint16_t>(options_.Vendor);
            sensor.ExtensionSetsSupported = !options_.NoExtensionSets;
        }
        handle_ = sim_.open(sim_.pathOf(device_));
        start_ = std::chrono::steady_clock::now();
        if (!options_.Transcript.empty()) transcript_ = std::fopen(options_.Transcript.c_str(), "a");
    }

    ~UhidDevice()
    {
        if (transcript_) std::fclose(transcript_);
    }

    int run()
    {
        fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
        if (fd_ < 0) {
            std::fprintf(stderr, "vm_uhid_sensor: cannot open /dev/uhid: %s\n", std::strerror(errno));
            return 1;
        }
        sigset_t signals;
        sigemptyset(&signals);
        for (int s : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT}) sigaddset(&signals, s);
        sigprocmask(SIG_BLOCK, &signals, nullptr);
        const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
        if (signalFd < 0 || !create()) return 1;
        writeState();
        for (;;) {
            pollfd fds[2] = {{fd_, POLLIN, 0}, {signalFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return 1;
            }
            if ((fds[1].revents & POLLIN) && !handleSignal(signalFd)) return 0;
            if (fds[0].revents & POLLIN) handleEvent();
        }
    }

private:
    // False when the device is to end.
    bool handleSignal(int signalFd)
    {
        signalfd_siginfo info{};
        if (::read(signalFd, &info, sizeof info) != sizeof info) return true;
        if (info.ssi_signo == SIGUSR2) {
            unplugAtNextRequest_ = true;
        } else if (info.ssi_signo == SIGUSR1) {
            if (created_)
                destroy();
            else
                create();
        } else {
            if (created_) destroy();
            return false;
        }
        return true;
    }

    // printf-style, so the compiler checks each format against its arguments.
    __attribute__((format(printf, 2, 3))) void log(const char* format, ...)
    {
        if (!transcript_) return;
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
        std::fprintf(transcript_, "%lld ", static_cast<long long>(ms.count()));
        std::va_list args;
        va_start(args, format);
        std::vfprintf(transcript_, format, args);
        va_end(args);
        std::fputc('\n', transcript_);
        std::fflush(transcript_);
    }

    void send(const uhid_event& event)
    {
        if (::write(fd_, &event, sizeof event) != static_cast<ssize_t>(sizeof event))
            std::fprintf(stderr, "vm_uhid_sensor: write of event %u failed: %s\n", event.type,
                         std::strerror(errno));
    }

    bool create()
    {
        uhid_event event{};
        event.type = UHID_CREATE2;
        auto& request = event.u.create2;
        std::snprintf(reinterpret_cast<char*>(request.name), sizeof request.name, "%s",
                      options_.Name.c_str());
        std::snprintf(reinterpret_cast<char*>(request.phys), sizeof request.phys, "tolvane/uhid");
        const auto descriptor = options_.Descriptor == "mouse"                ? mouseDescriptor()
                                : options_.Descriptor == "keyboard-nofeature" ? keyboardDescriptor(false)
                                                                              : keyboardDescriptor(true);
        request.rd_size = static_cast<std::uint16_t>(descriptor.size());
        std::memcpy(request.rd_data, descriptor.data(), descriptor.size());
        request.bus = 0x03;  // USB
        request.vendor = options_.Vendor;
        request.product = options_.Product;
        request.version = options_.Fw;
        if (::write(fd_, &event, sizeof event) != static_cast<ssize_t>(sizeof event)) {
            std::fprintf(stderr, "vm_uhid_sensor: UHID_CREATE2 failed: %s\n", std::strerror(errno));
            return false;
        }
        created_ = true;
        log("CREATE %04x:%04x", options_.Vendor, options_.Product);
        return true;
    }

    void destroy()
    {
        uhid_event event{};
        event.type = UHID_DESTROY;
        send(event);
        created_ = false;
        log("DESTROY");
    }

    void handleEvent()
    {
        uhid_event event{};
        if (::read(fd_, &event, sizeof event) <= 0) return;
        switch (event.type) {
            case UHID_OPEN:
                log("OPEN");
                break;
            case UHID_CLOSE:
                log("CLOSE");
                break;
            case UHID_GET_REPORT:
                getReport(event.u.get_report);
                break;
            case UHID_SET_REPORT:
                setReport(event.u.set_report);
                break;
            default:
                break;
        }
    }

    bool unplugInstead(const char* what)
    {
        if (!unplugAtNextRequest_) return false;
        unplugAtNextRequest_ = false;
        log("UNANSWERED %s", what);
        destroy();
        return true;
    }

    void getReport(const uhid_get_report_req& request)
    {
        if (unplugInstead("GET")) return;
        sim::Report answer{};
        answer[0] = request.rnum;
        const bool ok = request.rtype == UHID_FEATURE_REPORT && sim_.getFeature(handle_, answer);
        uhid_event reply{};
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = request.id;
        reply.u.get_report_reply.err = ok ? 0 : EIO;
        if (ok) {
            reply.u.get_report_reply.size = static_cast<std::uint16_t>(answer.size());
            std::memcpy(reply.u.get_report_reply.data, answer.data(), answer.size());
        }
        log("GET rnum=%u type=%s ok=%d data=%s", request.rnum, typeName(request.rtype), ok ? 1 : 0,
            ok ? vmtest::hexBytes(answer.data(), answer.size()).c_str() : "-");
        send(reply);
    }

    void setReport(const uhid_set_report_req& request)
    {
        if (unplugInstead("SET")) return;
        const std::size_t size = std::min<std::size_t>(request.size, UHID_DATA_MAX);
        const bool ok = request.rtype == UHID_FEATURE_REPORT &&
                        sim_.setFeature(handle_, std::span<const std::uint8_t>(request.data, size));
        log("SET rnum=%u type=%s ok=%d data=%s", request.rnum, typeName(request.rtype), ok ? 1 : 0,
            vmtest::hexBytes(request.data, size).c_str());
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = request.id;
        reply.u.set_report_reply.err = ok ? 0 : EIO;
        send(reply);
        writeState();
    }

    void writeState()
    {
        if (options_.State.empty() || options_.Plain) return;
        const std::string temporary = options_.State + ".new";
        if (FILE* file = std::fopen(temporary.c_str(), "w")) {
            std::fputs(vmtest::describeSensor(sim_.sensor(device_)).c_str(), file);
            std::fclose(file);
            std::rename(temporary.c_str(), options_.State.c_str());
        }
    }

    Options options_;
    sim::SimPlatform sim_;
    sim::DeviceId device_ = 0;
    platform::Handle handle_ = platform::kInvalidHandle;
    std::chrono::steady_clock::time_point start_;
    FILE* transcript_ = nullptr;
    int fd_ = -1;
    bool created_ = false;
    bool unplugAtNextRequest_ = false;
};

unsigned number(const char* text)
{
    return static_cast<unsigned>(std::strtoul(text, nullptr, 0));
}

int usage()
{
    std::fprintf(stderr,
                 "usage: vm_uhid_sensor [--vendor N] [--product N] [--fw N] [--luid N] [--name TEXT]\n"
                 "  [--descriptor keyboard|keyboard-nofeature|mouse] [--plain] [--no-extension-sets]\n"
                 "  [--transcript FILE] [--state FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plain") {
            options.Plain = true;
        } else if (arg == "--no-extension-sets") {
            options.NoExtensionSets = true;
        } else if (i + 1 == argc) {
            return usage();
        } else {
            const char* value = argv[++i];
            if (arg == "--vendor")
                options.Vendor = number(value);
            else if (arg == "--product")
                options.Product = number(value);
            else if (arg == "--fw")
                options.Fw = number(value);
            else if (arg == "--luid")
                options.Luid = number(value);
            else if (arg == "--descriptor")
                options.Descriptor = value;
            else if (arg == "--name")
                options.Name = value;
            else if (arg == "--transcript")
                options.Transcript = value;
            else if (arg == "--state")
                options.State = value;
            else
                return usage();
        }
    }
    UhidDevice device(options);
    return device.run();
}
