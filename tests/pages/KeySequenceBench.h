#pragma once

// A virtual sensor with a known walk-away and walk-up configuration, read
// into a fresh model, and the Walk-Away and Walk-To pages built and activated
// on it as the sheet does. Helpers drive the pages' controls as a user would.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "RecordingUiServices.h"
#include "TestPageHost.h"
#include "config/ConfigModel.h"
#include "devlib/DevLib.h"
#include "pages/WAPage.h"
#include "pages/WUPage.h"
#include "platform/sim/SimPlatform.h"
#include "resources/KeySetControls.h"

namespace keyseq {

// Control ids of one key-set group.
using Group = res::KeySetGroupIds;
inline constexpr std::array<std::uint8_t, 8> kBoxBits{0x02, 0x01, 0x04, 0x08, 0x20, 0x10, 0x40, 0x80};

// What the tests know of one page: its controls, its blocks, its flags and
// how its blocks travel to the sensor.
struct PageFacts {
    const char* Name;
    res::KeySetGroupTable Groups;
    int DelayField;
    int ExtensionBox;
    std::uint8_t BaseCommand1, BaseCommand2;    // 0x81/0x82 or 0x83/0x84
    std::uint8_t ExtensionSub1, ExtensionSub2;  // sub-commands of 0x8B
    std::uint8_t CommitMask;                    // the bits both blocks share
    sim::HalfId BaseHalf1, BaseHalf2, ExtensionHalf1, ExtensionHalf2;
    const char* BaseFeature;
    const char* ExtensionFeature;
    std::uint32_t ConfigModel::*BaseChanged;
    std::uint32_t ConfigModel::*ExtensionChanged;
    std::uint32_t ConfigModel::*BaseChangedBySonar;
};

inline const PageFacts kWalkAway{
    "WA",
    res::kWalkAwayKeySets,
    1014,
    1080,
    0x81,
    0x82,
    0x08,
    0x09,
    0x06,
    sim::HalfId::WalkAway1,
    sim::HalfId::WalkAway2,
    sim::HalfId::WalkAwayEx1,
    sim::HalfId::WalkAwayEx2,
    "WalkAway",
    "WalkAwayEx",
    &ConfigModel::WalkAwayChanged,
    &ConfigModel::WalkAwayExChanged,
    &ConfigModel::WalkAwayChangedBySonar,
};

inline const PageFacts kWalkTo{
    "WU",
    res::kWalkToKeySets,
    1014,
    1091,
    0x83,
    0x84,
    0x0A,
    0x0B,
    0x18,
    sim::HalfId::WalkUp1,
    sim::HalfId::WalkUp2,
    sim::HalfId::WalkUpEx1,
    sim::HalfId::WalkUpEx2,
    "WalkUp",
    "WalkUpEx",
    &ConfigModel::WalkUpChanged,
    &ConfigModel::WalkUpExChanged,
    &ConfigModel::WalkUpChangedBySonar,
};

inline const PageFacts& factsOf(const QString& name)
{
    return name == "WA" ? kWalkAway : kWalkTo;
}

// The sensor's configuration at the start of every test, as its halves:
// walk-away: 5 keys (LCTL+LALT DELETE, LGUI L, A, B, LShft C), 256 ms, flags 1, fault rate 30;
// walk-away extension: 3 keys (LCTL A, LShft B, C), flags 2;
// walk-up: 2 keys (LShft A, ENTER), 128 ms, flags 1, reserved 0x5A;
// walk-up extension: key count 0 over stale words, flags 2.
inline constexpr sim::Half kWalkAway1{5, 4, 0x05, 0x08, 0x00, 0x00, 0x02, 0x00};
inline constexpr sim::Half kWalkAway2{1, 30, 0x4C, 0x0F, 0x04, 0x05, 0x06, 0x00};
inline constexpr sim::Half kWalkAwayEx1{3, 0x01, 0x02, 0x00, 0, 0, 0, 0};
inline constexpr sim::Half kWalkAwayEx2{2, 0x04, 0x05, 0x06, 0, 0, 0, 0};
inline constexpr sim::Half kWalkUp1{2, 2, 0x02, 0x00, 0, 0, 0, 0};
inline constexpr sim::Half kWalkUp2{1, 0x5A, 0x04, 0x28, 0, 0, 0, 0};
inline constexpr sim::Half kWalkUpEx1{0, 0x02, 0, 0, 0, 0, 0, 0};
inline constexpr sim::Half kWalkUpEx2{2, 0x07, 0, 0, 0, 0, 0, 0};

inline sim::Report report(std::initializer_list<std::uint8_t> payload)
{
    sim::Report bytes{};
    std::size_t i = 1;
    for (std::uint8_t b : payload) bytes[i++] = b;
    return bytes;
}

class Bench {
public:
    explicit Bench(bool withSensor = true)
    {
        platform::install(&sim);
        ResetLibState();
        model.Initialise();
        if (withSensor) {
            sensor = sim.plugSensor(0x0405);
            sim::VirtualSensor& s = sim.sensor(sensor);
            s.Config[sim::HalfId::WalkAway1] = kWalkAway1;
            s.Config[sim::HalfId::WalkAway2] = kWalkAway2;
            s.Config[sim::HalfId::WalkAwayEx1] = kWalkAwayEx1;
            s.Config[sim::HalfId::WalkAwayEx2] = kWalkAwayEx2;
            s.Config[sim::HalfId::WalkUp1] = kWalkUp1;
            s.Config[sim::HalfId::WalkUp2] = kWalkUp2;
            s.Config[sim::HalfId::WalkUpEx1] = kWalkUpEx1;
            s.Config[sim::HalfId::WalkUpEx2] = kWalkUpEx2;
            std::uint32_t firmware = 0;
            OpenSensors(&firmware);
            model.ReadConfigFmDevice();
        }
        host.addPage(wa);
        host.addPage(wu);
        for (KeySetPage* page : {static_cast<KeySetPage*>(&wa), static_cast<KeySetPage*>(&wu)}) {
            page->create();
            page->OnSetActive();
        }
        sim.clearTranscript();
        ui.clearRecords();
        host.clearRecords();
    }
    ~Bench()
    {
        CloseAllDevices();
        platform::install(nullptr);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    KeySetPage& page(const PageFacts& facts)
    {
        return &facts == &kWalkAway ? static_cast<KeySetPage&>(wa) : wu;
    }
    std::uint32_t& flag(std::uint32_t ConfigModel::*which) { return model.*which; }
    const sim::Half& sensorHalf(sim::HalfId half) { return sim.sensor(sensor).Config[half]; }

    // The reports sent since the bench was built (or the transcript cleared).
    std::vector<sim::Report> sentReports() const
    {
        std::vector<sim::Report> sent;
        for (const sim::Transfer& t : sim.transcript())
            if (t.Dir == sim::Transfer::Set) sent.push_back(t.Bytes);
        return sent;
    }

    sim::SimPlatform sim;
    ConfigModel model;
    RecordingUiServices ui;
    TestPageHost host;
    sim::DeviceId sensor = -1;
    WAPage wa{PageContext{model, ui, host}};
    WUPage wu{PageContext{model, ui, host}};
};

// ---- Acting as the user ----

inline QAbstractButton* button(KeySetPage& page, int id)
{
    return qobject_cast<QAbstractButton*>(page.item(id));
}
inline QLineEdit* edit(KeySetPage& page, int id)
{
    return qobject_cast<QLineEdit*>(page.item(id));
}

// Clicks a check box on its indicator.
inline void click(KeySetPage& page, int id)
{
    QWidget* box = page.item(id);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

// Chooses a key by name with the arrow keys, as a user moving through the list.
inline void chooseKey(KeySetPage& page, int listId, const QString& name)
{
    QComboBox* list = page.listItem(listId);
    const int target = list->findText(name, Qt::MatchExactly);
    QVERIFY2(target >= 0, qPrintable(name));
    QVERIFY(list->isEnabled());
    while (list->currentIndex() < target) QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > target) QTest::keyClick(list, Qt::Key_Up);
}

// Opens a key list and chooses the item it already shows, as a user picking
// the same key again.
inline void chooseShownKeyAgain(KeySetPage& page, int listId)
{
    QComboBox* list = page.listItem(listId);
    QVERIFY(list->currentIndex() >= 0);
    list->showPopup();
    QVERIFY(list->view()->isVisible());
    QCOMPARE(list->view()->currentIndex().row(), list->currentIndex());
    QTest::keyClick(list->view(), Qt::Key_Return);
    QVERIFY(!list->view()->isVisible());
}

// Replaces the text of a number field by typing.
inline void typeInto(KeySetPage& page, int id, const QString& text)
{
    QLineEdit* field = edit(page, id);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// ---- Reading what the page shows ----

inline std::uint8_t shownModifiers(KeySetPage& page, const Group& group)
{
    std::uint8_t mods = 0;
    for (std::size_t i = 0; i < group.Modifiers.size(); ++i)
        if (button(page, group.Modifiers[i])->isChecked()) mods |= kBoxBits[i];
    return mods;
}
inline QString shownCode(KeySetPage& page, const Group& group)
{
    return edit(page, group.CodeField)->text();
}
inline QString shownKey(KeySetPage& page, const Group& group)
{
    return page.listItem(group.KeyList)->currentText();
}

}  // namespace keyseq
