#pragma once

// Fixtures of the application tests: a fresh sim installed and a fresh library
// state for every test, UI services that record instead of showing, and the
// device watcher fed by the sim's plug and unplug notifications.

#include <QCoreApplication>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "RecordingUiServices.h"
#include "app/DeviceWatcher.h"
#include "app/GuiThread.h"
#include "app/ResponsiveWaitPlatform.h"
#include "app/SimDeviceSource.h"
#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

// The sim with waits that run the event loop, as the programs' waits do: the
// events pending when a wait begins are delivered, then the virtual clock
// moves on. DuringWait runs at the start of every wait, so a test can make
// things happen inside one; nothing may reach the devices while a wait runs.
// Threads reading sensors at once wait and talk to their sensors as the plain
// sim does; their waits run no event loop, and DuringWait runs on the event
// loop's thread, handed over as the sheet hands over its own work.
class EventLoopSim : public sim::SimPlatform {
public:
    std::function<void(std::uint32_t ms)> DuringWait;
    // Opens, transfers and waits begun on the event loop's thread while a wait ran.
    int DeviceAccessDuringWaits = 0;

    void sleepMs(std::uint32_t ms) override
    {
        if (onEventLoopThread())
            runEventsBeforeTheWait(ms);
        else if (DuringWait)
            runOnTheWaitingThread([this, ms] { DuringWait(ms); });
        SimPlatform::sleepMs(ms);
    }
    platform::Handle open(const std::string& path) override
    {
        noteAccess();
        return SimPlatform::open(path);
    }
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        noteAccess();
        return SimPlatform::getFeature(handle, report);
    }
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override
    {
        noteAccess();
        return SimPlatform::setFeature(handle, report);
    }

private:
    void runEventsBeforeTheWait(std::uint32_t ms)
    {
        if (waiting_) {
            ++DeviceAccessDuringWaits;
            return;
        }
        waiting_ = true;
        if (DuringWait) DuringWait(ms);
        QCoreApplication::processEvents();
        waiting_ = false;
    }
    static bool onEventLoopThread() { return onGuiThread(); }
    void noteAccess()
    {
        if (onEventLoopThread() && waiting_) ++DeviceAccessDuringWaits;
    }

    bool waiting_ = false;
};

struct SimFixture {
    SimFixture()
    {
        platform::install(&Sim);
        ResetLibState();
    }
    ~SimFixture()
    {
        CloseAllDevices();
        Sim.setDeviceListener({});
    }
    SimFixture(const SimFixture&) = delete;
    SimFixture& operator=(const SimFixture&) = delete;

    // Hands the queued device notifications to the sheet, as the event loop would.
    static void deliverDeviceEvents() { QCoreApplication::processEvents(); }

    // Shows the sheet and lets the event loop run its start-up, which reads
    // the sensors once the sheet is on the screen.
    static void showAndStart(QWidget& sheet)
    {
        sheet.show();
        QCoreApplication::processEvents();
    }

    // The command reports sent (byte 1 of every set report), in order, with their times.
    struct Command {
        std::uint8_t Code;
        std::uint64_t TimeMs;
    };
    std::vector<Command> commandsSent() const
    {
        std::vector<Command> commands;
        for (const sim::Transfer& transfer : Sim.transcript())
            if (transfer.Dir == sim::Transfer::Set) commands.push_back({transfer.Bytes[1], transfer.TimeMs});
        return commands;
    }

    EventLoopSim Sim;
    RecordingUiServices Ui;
};

inline constexpr std::uint8_t kHaltKeySendsCommand = 0xB1;
inline constexpr std::uint8_t kResumeKeySendsCommand = 0xB0;
