#pragma once

// A running sheet on the sim, as a user meets it: started, its sensors read,
// with helpers to choose a sensor, type a pending change and look at what
// reached the sensors.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "AppTestSupport.h"
#include "app/PropSheet.h"
#include "app/SensorChooser.h"
#include "app/TolvaneApp.h"
#include "pages/SNRPage.h"
#include "resources/SonarControls.h"

inline constexpr std::uint8_t kCommit = 0x90;
// The sonar half's ping rate byte: 4 ms steps.
inline constexpr std::size_t kPingRateByte = 1;

struct RunningSheet : SimFixture {
    RunningSheet() : Watcher(followSimDevices(Sim)), App(Ui, Watcher) {}

    void start()
    {
        QVERIFY(App.StartUp());
        SimFixture::showAndStart(*App.Sheet());
        Sim.clearTranscript();
    }

    PropSheet& sheet() const { return *App.Sheet(); }
    QComboBox* chooser() const { return sheet().sensorChooser()->list(); }
    QLineEdit* pingRate() const { return qobject_cast<QLineEdit*>(App.PageSonar->item(sonar::PingRate)); }

    // Chooses an entry of the chooser with the arrow keys, as a user would.
    void choose(int index) const
    {
        QComboBox* list = chooser();
        const int steps = index - list->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(list, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }

    // A pending change on the Sonar page: a new ping rate typed in.
    void typePingRate(const QString& text) const
    {
        sheet().sendPageCommand(PageCommand::AdvancedSettings, 1);
        pingRate()->setText(text);
        QVERIFY(sheet().applyButton()->isEnabled());
    }

    // Whether a commit report went to a device since the transcript was cleared.
    bool committedTo(sim::DeviceId id) const
    {
        return std::ranges::any_of(sentTo(id), [](const sim::Report& sent) { return sent[1] == kCommit; });
    }

    // Every report sent to a device since the transcript was cleared.
    std::vector<sim::Report> sentTo(sim::DeviceId id) const
    {
        std::vector<sim::Report> sent;
        for (const sim::Transfer& transfer : Sim.transcript())
            if (transfer.Dir == sim::Transfer::Set && transfer.Path == Sim.pathOf(id))
                sent.push_back(transfer.Bytes);
        return sent;
    }

    DeviceWatcher Watcher;
    CTolvaneApp App;
};
