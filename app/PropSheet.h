#pragma once

// The property sheet: a tab per page, the status line under them, OK, Cancel
// and Apply, and the "Halt Key Sends" box at the left end of the button row,
// with the sensor chooser beside it while more than one sensor is attached.
// Once it is on the screen its sensors (SheetSensors) are opened and the
// first is edited; it keeps its title showing the library and firmware
// versions, shows what its sensors tell (the list, the edited sensor, a wait
// for another program), asks the user's questions, and runs one device
// operation at a time.

#include <QDialog>
#include <set>
#include <vector>

#include "DeviceBusyGuard.h"
#include "HaltKeySendsBox.h"
#include "config/Waits.h"
#include "pages/DeviceOperation.h"
#include "pages/PropertyPage.h"
#include "platform/Platform.h"

struct SensorFacts;
class ConfigModel;
class DeviceWatcher;
class OtherPrograms;
class UiServices;
class QHBoxLayout;
class QPushButton;
class QTabWidget;
class SensorChooser;
class SheetSensors;
class SheetStatusLine;

class PropSheet : public QDialog, public PageHost {
    Q_OBJECT
public:
    // Pause after each page's activation at start.
    static constexpr int kPageActivationPauseMs = 100;

    PropSheet(ConfigModel& model, UiServices& ui, DeviceWatcher& watcher, const QString& title);
    ~PropSheet() override;

    // Adds a page as the next tab; its caption is the tab text. The sheet
    // does not own its pages.
    void AddPage(PropertyPage* page);
    // A program's own control in the button row, left of OK; the sheet owns it.
    void AddButtonRowWidget(QWidget* widget);

    // ---- PageHost ----
    void setPageModified(PropertyPage* page, bool modified) override;
    void sendPageCommand(PageCommand command, int argument) override;
    void beginDeviceOperation(const QString& words) override;
    void endDeviceOperation() override;
    bool deviceBusy() const override { return busyGuard_.busy(); }
    void whenDeviceIdle(std::function<void()> work) override;
    // On the status line, until the next device operation.
    void confirm(const QString& words) override;
    EditedSensor editedSensor() const override;
    QString editedSensorAmongOthers() const override;

    // Switches the sheet to the sensor in the library's slot index, after
    // offering to apply or discard pending changes; false when the user kept
    // the sensor or pending changes could not be applied.
    bool ChooseSensor(int index);
    // Another program changed the edited sensor: without pending changes the
    // sheet reads it again; with them, Apply asks first.
    void OnChangedElsewhere();
    OtherPrograms* otherPrograms() const { return otherPrograms_; }
    SheetSensors* sensors() const { return sensors_; }
    // What the sheet says about the sensors: the edited one, or why none.
    QString sensorStatus() const { return sensorStatus_; }

    // Showing the sheet the first time runs its initialisation first; the
    // sensor is read once the sheet is on the screen.
    void setVisible(bool visible) override;
    // OK, and Enter. While a device operation runs, these wait for its end.
    void accept() override;
    // Escape and the close box: with pending changes the user is asked to
    // apply or discard them first. The Cancel button discards them.
    void reject() override;

    // ---- Widgets, for the program and for tests ----
    int pageCount() const { return static_cast<int>(pages_.size()); }
    PropertyPage* page(int index) const { return pages_.at(index); }
    int activePageIndex() const { return activePage_; }
    QTabWidget* tabs() const { return tabs_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* aboutButton() const { return about_; }
    HaltKeySendsBox* haltKeySendsBox() const { return haltKeySends_; }
    SensorChooser* sensorChooser() const { return chooser_; }
    SheetStatusLine* statusLine() const { return statusLine_; }

private:
    // The edited one of the sensors listed, empty without one.
    EditedSensor editedOf(const std::vector<SensorFacts>& sensors) const;
    void OnInitDialog();
    void OrderTabChain();
    // The sensors are read while the sheet shows that it is reading them;
    // everything else waits for the end of start-up.
    void BeginStartUp();
    void ReadSensorsAtStartUp();
    // The model holds another sensor, or none: the title, the pages and the
    // Apply button follow it.
    void OnEditedSensorChanged();
    // The title and the Apply button follow the model.
    void ShowModelSensor();
    void RegisterForDeviceNotifications();
    void ActivateEveryPage();

    // Leaves the active page and activates the page at index, creating its
    // window the first time; false when the active page refuses to be left.
    bool ActivatePage(int index);
    void OnTabChanged(int index);

    void OnApplyClicked();
    // Applies the pending changes within the caller's device operation; true
    // when there were some and every page wrote its own.
    bool ApplyNow();
    void ShowWhatTheSensorHolds();
    void AcceptNow();
    void RejectNow();
    void CloseAskingAboutChanges();
    void ApplyAndClose();
    // The active page's leave step, then every page's apply step in page order.
    bool ApplyAllPages();
    // Before writing over a change another program made: the user chooses to
    // overwrite it (true), to read the sensor again or to cancel (false).
    bool ConfirmWriteOverOtherChanges();

    void UpdateApplyButton();
    // The chooser and the sensor status follow the sensors' list. While
    // sensors are read, the chooser lists those not being read and the
    // status waits for the reads' end.
    void ShowSensors();

    ConfigModel& model_;
    UiServices& ui_;
    DeviceWatcher& watcher_;
    QTabWidget* tabs_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* apply_;
    QPushButton* about_;
    HaltKeySendsBox* haltKeySends_ = nullptr;
    QHBoxLayout* buttonRow_;
    SensorChooser* chooser_;
    QString sensorStatus_;
    SheetStatusLine* statusLine_;
    DeviceBusyGuard busyGuard_;
    SheetSensors* sensors_;
    OtherPrograms* otherPrograms_;
    bool startUpPending_ = false;
    std::vector<PropertyPage*> pages_;
    std::set<PropertyPage*> modifiedPages_;
    int activePage_ = -1;
    bool initialised_ = false;
    bool switchingPages_ = false;
};
