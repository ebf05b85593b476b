#pragma once

// The sheet's sensors: the one part of the program's windows that talks to
// the device library. It opens and reads the sensors at start-up, follows
// them being plugged in and pulled out, knows which one the sheet edits and
// lists them for the chooser. Reads of several sensors run at once on
// threads of their own beside the event loop; what they learn reaches this
// object on the GUI thread, which tells the sheet through its signals. So
// does a wait for a sensor another program holds, from whichever thread
// waits.

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SensorStatus.h"
#include "platform/Platform.h"

class ConfigModel;
class DeviceWatcher;
class PageHost;
class UiServices;

// What the status line says while sensors are read.
QString ReadingSensorWords();

class SheetSensors : public QObject {
    Q_OBJECT
public:
    // How long an operation of the sheet waits for a sensor another program holds.
    static constexpr std::uint32_t kWaitLimitMs = 30000;

    explicit SheetSensors(ConfigModel& model, QObject* parent = nullptr);
    ~SheetSensors() override;
    SheetSensors(const SheetSensors&) = delete;
    SheetSensors& operator=(const SheetSensors&) = delete;

    // Discovers every sensor and reads them all at once beside the event
    // loop. The list changes as each read ends; the model takes the first
    // sensor in the table that reads completely as soon as that is known.
    // Returns when every read has ended; the model then holds that sensor,
    // or none (editedChanged tells either).
    void openAll();
    // From now on follows the sensors being plugged in and pulled out, each
    // batch of changes within a device operation of the host's. Returns 0 or
    // the system error code when devices cannot be followed.
    unsigned long followDevices(DeviceWatcher& watcher, PageHost& host, UiServices& ui);

    // ---- The edited sensor ----
    bool editing() const { return !editedPath_.empty(); }
    // Reads the sensor at this index of the list into the model; it is then
    // the one edited, or none when it did not read.
    void edit(int listIndex);
    // Reads the edited sensor (the first when it is gone) into the model again.
    void readEditedAgain();
    // Whether the edited sensor is still among the present devices (a
    // sensor pulled out fails before its removal is handled).
    bool editedStillPresent();
    // Whether another program changed the edited sensor since this program
    // last read or wrote it.
    bool editedChangedElsewhere();
    // Halts or resumes the edited sensor's key sends; false when it failed.
    bool haltKeySends(bool halt);

    // ---- The list ----
    // The open sensors in table order, but for those still being read.
    std::vector<SensorFacts> listed() const;
    // The edited sensor's place in the list, if any.
    std::optional<std::size_t> editedInList() const;
    // Whether sensors are being read beside the event loop.
    bool reading() const { return !readsUnderway_.empty(); }
    // Present sensors this user may not open.
    std::size_t inaccessibleCount() const;

    // Closes every sensor.
    void closeAll();
    // The device library's version.
    static int libraryVersion(std::uint16_t* major, std::uint16_t* minor, std::uint16_t* build);

signals:
    // The list or the edited sensor's facts changed.
    void listChanged();
    // The model took another sensor, or none: the pages show what it holds.
    void editedChanged();
    // This program began to wait for a sensor another program holds (true),
    // or no longer waits for any (false).
    void otherProgramWaitChanged(bool waiting);

private:
    // Changes that come while a device operation runs join those already
    // waiting, so sensors plugged in together are read together.
    void onDeviceChanges(const std::vector<platform::DeviceEvent>& events, PageHost& host, UiServices& ui);
    // The table follows every change in order, then the sensors that arrived
    // are read at once. The edited sensor stays while it is there; when it
    // left (or left and came back), or there was none, the model takes the
    // first sensor that is read.
    void follow(const std::vector<platform::DeviceEvent>& changes);
    void takeCurrentSensor();
    void readCurrentSensor();
    void noteEditedSensor();
    // Told on the GUI thread as each sensor's read at start-up ends.
    void onStartUpReadEnded(std::int16_t index, bool complete);
    void takeFirstSensorReadOnceKnown();
    // Finds the edited sensor in the table after an arrival or removal and
    // makes it current; false when it is gone or unread.
    bool keepEditedSensor();
    // The table indices of the sensors at these paths that are in it.
    static std::vector<std::int16_t> indicesInTable(const std::vector<std::string>& paths);
    // Reads the sensors at these indices at once; the list follows each read
    // as it ends. The indices read completely.
    std::set<std::int16_t> readAtOnce(const std::vector<std::int16_t>& indices);
    // The library's wait words, posted here from the waiting thread.
    void installWaitWords();
    // Posts to this object, on the GUI thread, from any thread.
    void post(QEvent* event);
    void customEvent(QEvent* event) override;

    ConfigModel& model_;
    std::vector<platform::DeviceEvent> pendingChanges_;
    // The path of the sensor the sheet edits; empty without one.
    std::string editedPath_;
    // While sensors are read beside the event loop: the indices whose read
    // is under way. Their records are not looked at until it ends.
    std::set<std::int16_t> readsUnderway_;
    // At start-up: whether each sensor whose read ended read completely.
    std::vector<std::optional<bool>> startUpReads_;
    // The sensors waited for because another program holds them.
    std::set<std::string> waitedFor_;
};
