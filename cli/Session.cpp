#include "Session.h"

#include <cstdio>
#include <sstream>
#include <type_traits>

#include "ExitCodes.h"
#include "NumberArgument.h"
#include "devlib/DevLib.h"
#include "platform/DevicePath.h"

namespace cli {

namespace {

// A wait shorter than this passes without a word.
constexpr std::uint32_t kSayWaitingAfterMs = 1000;

// What a thread working on one sensor of a run says, and its hold on the sensor.
struct SensorThread {
    std::ostringstream Out;
    std::ostringstream Err;
    KeepingBuffer Said{Err.rdbuf()};
    std::ostream Saying{&Said};
    std::optional<DevOperation> Hold;
};

thread_local SensorThread* t_sensorThread = nullptr;
static_assert(std::is_trivially_destructible_v<decltype(t_sensorThread)>);

tsDevSlot SlotRecord(int slot)
{
    return DevRecord(static_cast<std::int16_t>(slot));
}

}  // namespace

std::string StatusText(std::uint32_t status)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(status));
    return text;
}

namespace {

// How much a sensor's exit status weighs in the status of several.
int Weight(int status)
{
    if (status == kSuccess) return 0;
    if (status == kChanged) return 1;
    if (status == kSensorInUse) return 2;
    return status == kDeviceOrFileFailure ? 4 : 3;
}

}  // namespace

int CombinedStatus(const std::vector<int>& statuses)
{
    int combined = kSuccess;
    for (int status : statuses)
        if (Weight(status) > Weight(combined)) combined = status;
    return combined;
}

Session::Session(ObservedPlatform& platform, std::ostream& out, std::ostream& err, std::uint32_t waitSeconds)
    : platform_(platform),
      out_(out),
      err_(err),
      said_(err.rdbuf()),
      saying_(&said_),
      waitSeconds_(waitSeconds)
{
    tsSensorWait wait;
    wait.LimitMs = waitSeconds * 1000u;
    wait.Waiting = [this, said = std::string()](const char* path, std::uint32_t waitedMs) mutable {
        if (waitedMs < kSayWaitingAfterMs || !platform_.OnTerminal() || said == path) return;
        said = path;
        Error() << "waiting for another program using " << platform::deviceNodeOf(path) << "…\n";
    };
    SetSensorWait(std::move(wait));
}

Session::~Session()
{
    ReleaseSensor();
    CloseAllDevices();
    SetSensorWait({});
}

std::ostream& Session::Out()
{
    return t_sensorThread ? t_sensorThread->Out : out_;
}

std::ostream& Session::Error()
{
    if (t_sensorThread) {
        t_sensorThread->Err << "tolvanectl: ";
        return t_sensorThread->Saying;
    }
    out_.flush();
    err_ << "tolvanectl: ";
    err_.flush();
    return saying_;
}

std::string Session::TakeSaid()
{
    std::ostream& saying = t_sensorThread ? t_sensorThread->Saying : saying_;
    saying.flush();
    std::string said = t_sensorThread ? t_sensorThread->Said.Take() : said_.Take();
    while (!said.empty() && said.back() == '\n') said.pop_back();
    return said;
}

int KeepingBuffer::overflow(int c)
{
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    kept_.push_back(static_cast<char>(c));
    return to_->sputc(static_cast<char>(c));
}

std::streamsize KeepingBuffer::xsputn(const char* text, std::streamsize count)
{
    kept_.append(text, static_cast<std::size_t>(count));
    return to_->sputn(text, count);
}

std::vector<int> Session::RunOnEverySensor(const std::string& doing,
                                           const std::function<int(int slot)>& operation)
{
    std::vector<SensorThread> threads(static_cast<std::size_t>(Count()));
    std::vector<int> results(threads.size(), kSuccess);
    platform_.BeginOperation(doing);
    ::RunOnEverySensor([&](std::int16_t slot) {
        const auto index = static_cast<std::size_t>(slot);
        t_sensorThread = &threads[index];
        results[index] = operation(slot);
        ReleaseSensor();
        t_sensorThread = nullptr;
    });
    platform_.EndOperation();
    for (const SensorThread& thread : threads) {
        out_ << thread.Out.str();
        out_.flush();
        err_ << thread.Err.str();
        err_.flush();
    }
    return results;
}

std::optional<DevOperation>& Session::HoldOfThisThread()
{
    return t_sensorThread ? t_sensorThread->Hold : hold_;
}

int Session::OpenSensors()
{
    EnumSensors();
    if (GetDevCount() > 0) return kSuccess;
    if (InaccessiblePaths().empty())
        Error() << "no sensor connected\n";
    else
        SayInaccessible();
    return kNoSensor;
}

std::vector<std::string> Session::InaccessiblePaths()
{
    return platform_.inaccessibleSensorPaths();
}

void Session::SayInaccessible()
{
    for (const std::string& path : InaccessiblePaths())
        Error() << "A sensor is connected but this user may not open it: " << platform::deviceNodeOf(path)
                << '\n';
    Error()
        << "install the udev rule 70-tolvane.rules and replug the sensor (README, \"Real sensors: the udev "
           "rule\")\n";
}

int Session::Count() const
{
    return GetDevCount();
}

std::optional<int> Session::Choose(const std::string& choice, int& status)
{
    if (choice.empty()) return 0;
    if (choice.starts_with("luid:")) {
        if (const auto luid = ReadNumberArgument(choice.substr(5)); luid && *luid <= 0xFFFF)
            return FindByLuid(static_cast<std::uint16_t>(*luid), status);
        Error() << "not a LUID: " << choice.substr(5) << '\n';
        status = kUsageError;
        return std::nullopt;
    }
    if (const auto number = ReadNumberArgument(choice)) {
        if (*number >= 1 && *number <= static_cast<std::uint32_t>(Count()))
            return static_cast<int>(*number) - 1;
        Error() << "no sensor " << choice << ": " << Count() << " connected\n";
        status = kNoSensor;
        return std::nullopt;
    }
    for (int slot = 0; slot < Count(); ++slot) {
        const std::string node = Node(slot);
        if (choice == node || "/dev/" + choice == node) return slot;
    }
    Error() << "no sensor at " << choice << '\n';
    status = kNoSensor;
    return std::nullopt;
}

std::optional<int> Session::FindByLuid(std::uint16_t luid, int& status)
{
    for (int slot = 0; slot < Count(); ++slot) {
        if (!ReadInfo(slot)) {
            status = kDeviceOrFileFailure;
            return std::nullopt;
        }
        if (GetDevLuid() == luid) return slot;
    }
    Error() << "no sensor with LUID " << luid << '\n';
    status = kNoSensor;
    return std::nullopt;
}

std::string Session::Name(int slot) const
{
    return "sensor " + std::to_string(slot + 1) + " (" + Node(slot) + ")";
}

std::string Session::Node(int slot) const
{
    return platform::deviceNodeOf(SlotRecord(slot).DevicePath);
}

std::uint16_t Session::VendorId(int slot) const
{
    return platform_.attributes(SlotRecord(slot).Handle).VendorID;
}

std::uint16_t Session::ProductId(int slot) const
{
    return platform_.attributes(SlotRecord(slot).Handle).ProductID;
}

bool Session::HoldSensor(int slot)
{
    ReleaseSensor();
    SelectDev(static_cast<std::int16_t>(slot));
    std::optional<DevOperation>& hold = HoldOfThisThread();
    hold.emplace();
    if (hold->held()) return true;
    SayInUse(slot);
    return false;
}

void Session::ReleaseSensor()
{
    HoldOfThisThread().reset();
}

void Session::SayInUse(int slot)
{
    Error() << Node(slot) << " is in use by another program; gave up after waiting " << waitSeconds_
            << " s (--wait)\n";
}

int Session::SayFailure(int slot, const std::string& words)
{
    if (GetDevStatus() & kStatusSensorInUse) {
        SayInUse(slot);
        return kSensorInUse;
    }
    Error() << words << " (status " << StatusText(GetDevStatus()) << ")\n";
    return kDeviceOrFileFailure;
}

bool Session::ReadInfo(int slot)
{
    SelectDev(static_cast<std::int16_t>(slot));
    if (ReadDevInfo()) return true;
    Error() << "cannot read the device info of " << Name(slot) << " (status " << StatusText(GetDevStatus())
            << ")\n";
    return false;
}

bool Session::Read(int slot, SensorConfig& config)
{
    SelectDev(static_cast<std::int16_t>(slot));
    platform_.BeginOperation("Reading " + Name(slot));
    const bool read = ReadDevConfig() != 0;
    platform_.EndOperation();
    if (!read) {
        Error() << "cannot read " << Name(slot) << " (status " << StatusText(GetDevStatus()) << ")\n";
        return false;
    }
    config.ExtensionSetsRead = CurrentDevRecord().ExtensionSetsRefused == 0;
    ConfigModel model;
    model.PullConfigFmLib();
    model.UpdateDeviceVariant();
    config.Blocks = model.EditCfg;
    config.Luid = model.EditLuid;
    config.Fw = model.DeviceFw;
    config.Variant = model.DeviceVariant;
    return true;
}

}  // namespace cli
