#pragma once

// Fixtures of the application tests: a fresh sim installed and a fresh library
// state for every test, UI services that record instead of showing, and the
// device watcher fed by the sim's plug and unplug notifications.

#include <QCoreApplication>
#include <QString>
#include <cstdint>
#include <vector>

#include "RecordingUiServices.h"
#include "app/DeviceWatcher.h"
#include "app/SimDeviceSource.h"
#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

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

    sim::SimPlatform Sim;
    RecordingUiServices Ui;
};

inline constexpr std::uint8_t kHaltKeySendsCommand = 0xB1;
inline constexpr std::uint8_t kResumeKeySendsCommand = 0xB0;
