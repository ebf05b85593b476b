#pragma once

// One run's hold on the sensors: opens every attached one without reading it,
// finds the one the command line chose, reads it, and says what went wrong in
// the words and exit status tolvanectl documents.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "ObservedPlatform.h"
#include "Request.h"
#include "Settings.h"
#include "devlib/DevLib.h"

namespace cli {

// Passes what is written on to another buffer and keeps a copy: the
// messages a JSON document carries.
class KeepingBuffer : public std::streambuf {
public:
    explicit KeepingBuffer(std::streambuf* to) : to_(to) {}
    std::string Take() { return std::exchange(kept_, {}); }

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override { return to_->pubsync(); }

private:
    std::streambuf* to_;
    std::string kept_;
};

class Session {
public:
    // waitSeconds: how long an operation waits for a sensor another program is using.
    Session(ObservedPlatform& platform, std::ostream& out, std::ostream& err, std::uint32_t waitSeconds);
    ~Session();

    ObservedPlatform& Platform() { return platform_; }
    // Standard output; on a thread of RunOnEverySensor, what that sensor says there.
    std::ostream& Out();
    // "tolvanectl: " and the message, on standard error.
    std::ostream& Error();
    // What Error was given since the last call, without the "tolvanectl: "
    // before each message and the line end after the last: the message a JSON
    // document carries.
    std::string TakeSaid();

    // Finds and opens every attached sensor; kNoSensor (said) when there is
    // none this user may open.
    int OpenSensors();
    int Count() const;
    // Interface paths of the sensors attached that this user may not open.
    std::vector<std::string> InaccessiblePaths();
    // Says which sensors this user may not open, and what to do about it.
    void SayInaccessible();
    // The slot of the sensor the user chose by number, LUID or node (empty: the first); exit status in
    // status when there is none such.
    std::optional<int> Choose(const std::string& choice, int& status);

    // "sensor 1 (sim1)"
    std::string Name(int slot) const;
    std::string Node(int slot) const;
    std::uint16_t VendorId(int slot) const;
    std::uint16_t ProductId(int slot) const;

    // Runs operation(slot) for every sensor at once, each on a thread on
    // which that sensor is current; a hold it takes with HoldSensor ends with
    // it. What each says on standard output and error is kept and written
    // afterwards, sensor by sensor in table order. The exit status of each,
    // in table order.
    std::vector<int> RunOnEverySensor(const std::string& doing,
                                      const std::function<int(int slot)>& operation);

    // Holds the sensor against other programs until the next HoldSensor, a
    // ReleaseSensor or the end of the session, so that what the command reads,
    // changes and writes back is one conversation; false when another program
    // kept it for longer than the wait, said.
    bool HoldSensor(int slot);
    void ReleaseSensor();
    // "another program is using /dev/hidraw3", when the last operation gave up
    // waiting for the sensor; the exit status that goes with the failure.
    int SayFailure(int slot, const std::string& words);

    // Reads the sensor's device info, so that its firmware version is the one
    // the sensor reports (a backend may not know it before); false when the
    // read failed, said.
    bool ReadInfo(int slot);

    // Reads the whole configuration of the sensor (progress shown); false
    // when the read failed, said.
    bool Read(int slot, SensorConfig& config);

private:
    std::optional<int> FindByLuid(std::uint16_t luid, int& status);

    void SayInUse(int slot);

    std::optional<DevOperation>& HoldOfThisThread();

    ObservedPlatform& platform_;
    std::ostream& out_;
    std::ostream& err_;
    KeepingBuffer said_;
    std::ostream saying_;
    std::uint32_t waitSeconds_;
    std::optional<DevOperation> hold_;
};

std::string StatusText(std::uint32_t status);

// One exit status for several sensors: a failure of a sensor or file before
// any other failure, that before a sensor in use, that before a change, that
// before success.
int CombinedStatus(const std::vector<int>& statuses);

}  // namespace cli
