#pragma once

// The four pages of the sheet on a virtual sensor, for the Misc. page tests.
// The session stands in for the sheet: it opens the sensor at start, follows
// plugging and unplugging with a re-read and the refresh command, and applies
// the pages in page order.

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

#include "RecordingUiServices.h"
#include "TestPageHost.h"
#include "config/ConfigModel.h"
#include "devlib/DevLib.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "pages/WUPage.h"
#include "platform/sim/SimPlatform.h"

namespace misctest {

inline constexpr std::uint8_t kRangeCommand = 0x8F;

// A sim whose range answers carry chosen flag bits 1 and 2 beside the
// in-range bit the virtual sensor reports.
class RangeFlagsSim : public sim::SimPlatform {
public:
    std::uint8_t ExtraRangeFlags = 0;

    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override
    {
        rangeAsked_ = report.size() > 1 && report[1] == kRangeCommand;
        return SimPlatform::setFeature(handle, report);
    }
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        const bool ok = SimPlatform::getFeature(handle, report);
        if (ok && rangeAsked_) report[1] |= ExtraRangeFlags;
        rangeAsked_ = false;
        return ok;
    }

private:
    bool rangeAsked_ = false;
};

// Notes how many sensors the library holds when each message is shown.
class UiServicesWithDeviceCount : public RecordingUiServices {
public:
    std::vector<int> DevCountAtMessage;

protected:
    void showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                        MessageIcon icon) override
    {
        DevCountAtMessage.push_back(GetDevCount());
        RecordingUiServices::showMessageBox(owner, text, caption, icon);
    }
};

struct Session {
    RangeFlagsSim sim;
    ConfigModel model;
    UiServicesWithDeviceCount ui;
    TestPageHost host;
    std::unique_ptr<WAPage> walkAway;
    std::unique_ptr<WUPage> walkTo;
    std::unique_ptr<SNRPage> sonar;
    std::unique_ptr<MiscPage> misc;

    Session()
    {
        platform::install(&sim);
        ResetLibState();
        model.Initialise();
    }

    ~Session()
    {
        sim.setDeviceListener({});
        CloseAllDevices();
        platform::install(nullptr);
    }

    // Opens the sensors plugged so far, builds the pages and follows plugging
    // from then on, as the sheet does.
    void start()
    {
        model.ConfigLoaded = 0;
        std::uint32_t firmware = 0;
        if (OpenSensors(&firmware)) {
            model.DeviceFw = static_cast<std::int32_t>(firmware);
            model.ReadConfigFmDevice();
        } else {
            model.DeviceVariant = -1;
        }
        model.UpdateDeviceVariant();
        sim.setDeviceListener([this](const platform::DeviceEvent& event) { deviceChanged(event); });
        const PageContext context{model, ui, host};
        walkAway = std::make_unique<WAPage>(context);
        walkTo = std::make_unique<WUPage>(context);
        sonar = std::make_unique<SNRPage>(context);
        misc = std::make_unique<MiscPage>(context, *walkAway, *walkTo, *sonar);
        for (PropertyPage* page : pages()) {
            host.addPage(*page);
            page->create();
            page->OnSetActive();
        }
        misc->show();
        ui.clearRecords();
        host.clearRecords();
        sim.clearTranscript();
    }

    std::array<PropertyPage*, 4> pages() const
    {
        return {walkAway.get(), walkTo.get(), sonar.get(), misc.get()};
    }

    // Apply: every page's apply step in page order.
    void apply()
    {
        for (PropertyPage* page : pages()) page->OnApply();
    }

    template <typename T = QWidget>
    T* control(int id) const
    {
        return qobject_cast<T*>(misc->item(id));
    }

    QAbstractButton* button(int id) const { return control<QAbstractButton>(id); }
    bool isChecked(int id) const { return button(id)->isChecked(); }
    QString text(int id) const { return control<QLineEdit>(id)->text(); }

    // A user's click: push buttons in their middle, boxes on their indicator.
    void click(int id) const { clickOn(misc->item(id)); }

    static void clickOn(QWidget* widget)
    {
        const bool box = !qobject_cast<const QPushButton*>(widget);
        const QPoint where = box ? QPoint(6, widget->height() / 2) : widget->rect().center();
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, where);
    }

    // Replaces the text of an edit by typing.
    static void typeInto(QWidget* widget, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    QTimer* rangeTimer() const { return misc->findChild<QTimer*>(QStringLiteral("rangeTimer")); }
    // One period of the range timer has passed.
    void fireRangeTimer() const { QMetaObject::invokeMethod(rangeTimer(), "timeout"); }

    // Set reports sent to the sensor since the transcript was cleared.
    std::vector<sim::Report> sentReports() const
    {
        std::vector<sim::Report> sent;
        for (const sim::Transfer& transfer : sim.transcript()) {
            if (transfer.Dir == sim::Transfer::Set) sent.push_back(transfer.Bytes);
        }
        return sent;
    }

    bool sentCommand(std::uint8_t code) const
    {
        for (const sim::Report& report : sentReports()) {
            if (report[1] == code) return true;
        }
        return false;
    }

private:
    void deviceChanged(const platform::DeviceEvent& event)
    {
        const int accepted = event.Kind == platform::DeviceEventKind::Arrival
                                 ? OnDevArrival(event.Path.c_str())
                                 : OnDevRemoval(event.Path.c_str());
        if (!accepted) return;
        model.ReadConfigFmDevice();
        model.UpdateDeviceVariant();
        host.sendPageCommand(PageCommand::Refresh, 0);
    }
};

}  // namespace misctest
