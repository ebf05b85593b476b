#include "SheetSensors.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <utility>

#include "DeviceWatcher.h"
#include "GuiThread.h"
#include "ResponsiveWaitPlatform.h"
#include "config/ConfigModel.h"
#include "devlib/DevLib.h"
#include "pages/DeviceOperation.h"
#include "pages/PageHost.h"

QString ReadingSensorWords()
{
    return QStringLiteral("Reading the sensor…");
}

SheetSensors::SheetSensors(ConfigModel& model, QObject* parent) : QObject(parent), model_(model)
{
    installWaitWords();
}

SheetSensors::~SheetSensors()
{
    SetSensorWait({});
}

namespace {

// The library's word about a wait, posted from the thread that waits: a plain
// event, owned by Qt once posted, so nothing is shared with that thread.
class WaitEvent : public QEvent {
public:
    static inline const QEvent::Type Kind = static_cast<QEvent::Type>(QEvent::registerEventType());

    WaitEvent(const char* devicePath, bool over) : QEvent(Kind), Path(devicePath), Over(over) {}

    const std::string Path;
    const bool Over;
};

}  // namespace

// The library tells of a wait on the thread that waits: the GUI thread
// during a responsive wait, or a sensor's own thread while sensors are read
// at once. Either way the news is posted, so only the GUI thread keeps the
// set of sensors waited for and tells the sheet.
void SheetSensors::installWaitWords()
{
    tsSensorWait wait;
    wait.LimitMs = kWaitLimitMs;
    wait.Waiting = [this](const char* devicePath, std::uint32_t) { post(new WaitEvent(devicePath, false)); };
    wait.WaitOver = [this](const char* devicePath) { post(new WaitEvent(devicePath, true)); };
    SetSensorWait(std::move(wait));
}

void SheetSensors::post(QEvent* event)
{
    handOverPostedEvent(event);
    QCoreApplication::postEvent(this, event);
}

void SheetSensors::customEvent(QEvent* event)
{
    takeOverPostedEvent(event);
    if (event->type() != WaitEvent::Kind) return;
    assertOnGuiThread("SheetSensors::customEvent");
    const auto* wait = static_cast<const WaitEvent*>(event);
    const bool waitingBefore = !waitedFor_.empty();
    if (wait->Over)
        waitedFor_.erase(wait->Path);
    else
        waitedFor_.insert(wait->Path);
    if (waitedFor_.empty() == waitingBefore) emit otherProgramWaitChanged(!waitedFor_.empty());
}

// The model takes the sensor that was read completely first, as the
// library made it current.
void SheetSensors::openAll()
{
    int opened = 0;
    runBesideTheEventLoop([this, &opened] {
        opened = OpenSensors(nullptr, [this](std::int16_t index, int read) {
            runOnTheWaitingThread([this, index, read] { onStartUpReadEnded(index, read != 0); });
        });
    });
    readsUnderway_.clear();
    startUpReads_.clear();
    if (opened)
        takeCurrentSensor();
    else
        model_.DeviceVariant = -1;
    noteEditedSensor();
    emit editedChanged();
    emit listChanged();
}

// Before the first read ends every sensor's read is under way; discovery has
// ended by then.
void SheetSensors::onStartUpReadEnded(std::int16_t index, bool complete)
{
    assertOnGuiThread("SheetSensors::onStartUpReadEnded");
    if (startUpReads_.empty()) {
        startUpReads_.resize(static_cast<std::size_t>(GetDevCount()));
        for (std::int16_t i = 0; i < GetDevCount(); ++i) readsUnderway_.insert(i);
    }
    startUpReads_.at(static_cast<std::size_t>(index)) = complete;
    readsUnderway_.erase(index);
    takeFirstSensorReadOnceKnown();
    emit listChanged();
}

// The model holds no sensor until the first in the table that reads is known.
void SheetSensors::takeFirstSensorReadOnceKnown()
{
    if (model_.ConfigLoaded) return;
    for (std::size_t i = 0; i < startUpReads_.size(); ++i) {
        if (!startUpReads_[i]) return;
        if (!*startUpReads_[i]) continue;
        SelectDev(static_cast<std::int16_t>(i));
        takeCurrentSensor();
        noteEditedSensor();
        emit editedChanged();
        return;
    }
}

unsigned long SheetSensors::followDevices(DeviceWatcher& watcher, PageHost& host, UiServices& ui)
{
    return watcher.start(this, [this, &host, &ui](const std::vector<platform::DeviceEvent>& events) {
        onDeviceChanges(events, host, ui);
    });
}

void SheetSensors::onDeviceChanges(const std::vector<platform::DeviceEvent>& events, PageHost& host,
                                   UiServices& ui)
{
    const bool waiting = !pendingChanges_.empty();
    pendingChanges_.insert(pendingChanges_.end(), events.begin(), events.end());
    if (waiting) return;
    host.whenDeviceIdle([this, &host, &ui] {
        const std::vector<platform::DeviceEvent> changes = std::exchange(pendingChanges_, {});
        const DeviceOperation operation(host, ui, ReadingSensorWords());
        follow(changes);
    });
}

void SheetSensors::follow(const std::vector<platform::DeviceEvent>& changes)
{
    std::vector<std::string> arrived;
    bool accepted = false;
    for (const platform::DeviceEvent& event : changes) {
        const bool arrival = event.Kind == platform::DeviceEventKind::Arrival;
        const int taken = arrival ? OnDevArrival(event.Path.c_str()) : OnDevRemoval(event.Path.c_str());
        if (taken && arrival) arrived.push_back(event.Path);
        accepted = accepted || taken;
    }
    if (accepted) {
        const std::vector<std::int16_t> arrivals = indicesInTable(arrived);
        const bool kept =
            keepEditedSensor() && std::ranges::find(arrivals, GetCurrentDev()) == arrivals.end();
        const std::set<std::int16_t> read = readAtOnce(arrivals);
        if (!kept) {
            if (read.contains(GetCurrentDev()))
                takeCurrentSensor();
            else
                model_.ReadConfigFmDevice();
            noteEditedSensor();
            emit editedChanged();
        }
    }
    emit listChanged();
}

std::vector<std::int16_t> SheetSensors::indicesInTable(const std::vector<std::string>& paths)
{
    std::vector<std::int16_t> indices;
    for (const std::string& path : paths)
        if (const std::int16_t index = FindDevByPath(path.c_str()); index >= 0) indices.push_back(index);
    return indices;
}

std::set<std::int16_t> SheetSensors::readAtOnce(const std::vector<std::int16_t>& indices)
{
    std::set<std::int16_t> read;
    if (indices.empty()) return read;
    readsUnderway_.insert(indices.begin(), indices.end());
    runBesideTheEventLoop([this, &indices, &read] {
        ReadSensorsAtOnce(indices, [this, &read](std::int16_t index, int complete) {
            runOnTheWaitingThread([this, &read, index, complete] {
                assertOnGuiThread("SheetSensors::readAtOnce");
                if (complete) read.insert(index);
                readsUnderway_.erase(index);
                emit listChanged();
            });
        });
    });
    readsUnderway_.clear();
    return read;
}

bool SheetSensors::keepEditedSensor()
{
    const std::int16_t slot = editedPath_.empty() ? -1 : FindDevByPath(editedPath_.c_str());
    SelectDev(slot < 0 ? 0 : slot);
    return slot >= 0 && model_.ConfigLoaded != 0;
}

void SheetSensors::edit(int listIndex)
{
    std::int16_t index = 0;
    for (int listed = -1; index < GetDevCount(); ++index)
        if (!readsUnderway_.contains(index) && ++listed == listIndex) break;
    SelectDev(index);
    readCurrentSensor();
}

void SheetSensors::readEditedAgain()
{
    readCurrentSensor();
}

void SheetSensors::readCurrentSensor()
{
    model_.ReadConfigFmDevice();
    noteEditedSensor();
}

void SheetSensors::takeCurrentSensor()
{
    model_.TakeExtensionSupportFmLib();
    model_.PullConfigFmLib();
}

void SheetSensors::noteEditedSensor()
{
    const bool edited = model_.ConfigLoaded && GetCurrentDev() < GetDevCount();
    editedPath_ = edited ? CurrentDevRecord().DevicePath : std::string();
    model_.UpdateDeviceVariant();
}

bool SheetSensors::editedStillPresent()
{
    return CheckDevPresent() != 0;
}

bool SheetSensors::editedChangedElsewhere()
{
    return editing() && DevChangedElsewhere() != 0;
}

bool SheetSensors::haltKeySends(bool halt)
{
    return HaltKeySends(halt ? 1 : 0) != 0;
}

std::vector<SensorFacts> SheetSensors::listed() const
{
    std::vector<SensorFacts> sensors;
    for (std::int16_t i = 0; i < GetDevCount(); ++i) {
        if (readsUnderway_.contains(i)) continue;
        const tsDevSlot slot = DevRecord(i);
        SensorFacts facts{slot.FwVersion, std::nullopt, std::string(slot.DevicePath)};
        if (slot.Valid) facts.Luid = slot.Luid;
        sensors.push_back(facts);
    }
    return sensors;
}

std::optional<std::size_t> SheetSensors::editedInList() const
{
    if (editedPath_.empty()) return std::nullopt;
    const std::int16_t current = GetCurrentDev();
    const auto readBefore =
        std::ranges::count_if(readsUnderway_, [current](std::int16_t i) { return i < current; });
    return static_cast<std::size_t>(current - readBefore);
}

std::size_t SheetSensors::inaccessibleCount() const
{
    return platform::current().inaccessibleSensorPaths().size();
}

void SheetSensors::closeAll()
{
    CloseAllDevices();
}

int SheetSensors::libraryVersion(std::uint16_t* major, std::uint16_t* minor, std::uint16_t* build)
{
    return GetLibVersion(major, minor, build);
}
