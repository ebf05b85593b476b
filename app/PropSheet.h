#pragma once

// The property sheet: a tab per page, the status line under them, OK, Cancel
// and Apply, and the "Halt Key Sends" box at the left end of the button row,
// with the sensor chooser beside it while more than one sensor is attached.
// Once it is on the screen it opens the sensors and edits the first; it keeps
// its title showing the library and firmware versions, follows sensors being
// plugged in and pulled out, staying on the sensor it edits while that one is
// there, and runs one device operation at a time.

#include <QDialog>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/Waits.h"
#include "pages/DeviceOperation.h"
#include "pages/PropertyPage.h"
#include "platform/Platform.h"

class ConfigModel;
class DeviceWatcher;
class OtherPrograms;
class UiServices;
class QCheckBox;
class QHBoxLayout;
class QPushButton;
class QTabWidget;
class SensorChooser;
class SheetStatusLine;

class PropSheet : public QDialog, public PageHost {
    Q_OBJECT
public:
    static constexpr int kHaltKeySendsId = 1025;
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

    // Devices arrived or went away; called by the device watcher on the UI
    // thread. While a device operation runs they are handled after it,
    // together with those that come meanwhile.
    void OnDeviceChanges(const std::vector<platform::DeviceEvent>& events);
    // Re-reads the edited sensor (the first when it is gone) into the model
    // and shows its firmware in the title.
    void RefreshFromDevice();
    // Switches the sheet to the sensor in the library's slot index, after
    // offering to apply or discard pending changes; false when the user kept
    // the sensor or pending changes could not be applied.
    bool ChooseSensor(int index);
    // Another program changed the edited sensor: without pending changes the
    // sheet reads it again; with them, Apply asks first.
    void OnChangedElsewhere();
    OtherPrograms* otherPrograms() const { return otherPrograms_; }
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
    QCheckBox* haltKeySendsBox() const { return haltKeySends_; }
    SensorChooser* sensorChooser() const { return chooser_; }
    SheetStatusLine* statusLine() const { return statusLine_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void AddPageChangeKeys();
    void StepPage(int step);
    QString TabTextWithMnemonic(const QString& caption) const;
    void OrderTabChain();
    void CreateHaltKeySendsBox();
    void PlaceHaltKeySendsBox();
    void CreateFirstPage();
    // The sensors are read while the sheet shows that it is reading them;
    // everything else waits for the end of start-up.
    void BeginStartUp();
    void ReadSensorsAtStartUp();
    void OpenFirstSensor();
    // Told on the UI thread as each sensor's read at start-up ends, while
    // the others are still read: the chooser lists it, and the pages fill as
    // soon as the first sensor in the table that reads completely is known.
    void OnStartUpReadEnded(std::int16_t index, int read);
    void FillPagesOnceFirstReadIsKnown();
    // Pulls the current sensor, just read, into the model.
    void TakeCurrentSensor();
    // The title, the edited sensor and the Apply button follow the model.
    void ShowModelSensor();
    void RegisterForDeviceNotifications();
    void ActivateEveryPage();

    // Leaves the active page and activates the page at index, creating its
    // window the first time; false when the active page refuses to be left.
    bool ActivatePage(int index);
    void OnTabChanged(int index);

    void HandleDeviceChanges();
    // The table indices of the sensors at these paths that are in it.
    static std::vector<std::int16_t> IndicesInTable(const std::vector<std::string>& paths);
    // Reads the sensors at these indices, all at once beside the event loop;
    // the chooser lists each as its read ends. The indices read completely.
    std::set<std::int16_t> ReadArrivedSensors(const std::vector<std::int16_t>& indices);

    void OnHaltKeySendsClicked();
    void SendHaltOrResume();
    void OnApplyClicked();
    void ShowAbout();
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
    void ResumeKeySendsIfHalted();

    void SetTitleFromModel();
    void UpdateApplyButton();
    // Finds the edited sensor in the library's table after an arrival or
    // removal and makes its slot current; false when it is gone or unread.
    bool KeepEditedSensor();
    void NoteEditedSensor();
    // The chooser and the sensor status follow the library's table. While
    // sensors are read beside the event loop, the chooser lists those not
    // being read and the status waits for the reads' end.
    void ShowSensors();

    ConfigModel& model_;
    UiServices& ui_;
    DeviceWatcher& watcher_;
    QTabWidget* tabs_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* apply_;
    QPushButton* about_;
    QCheckBox* haltKeySends_ = nullptr;
    QHBoxLayout* buttonRow_;
    SensorChooser* chooser_;
    // The path of the sensor the sheet edits; empty without one.
    std::string editedPath_;
    QString sensorStatus_;
    SheetStatusLine* statusLine_;
    DeviceBusyGuard busyGuard_;
    OtherPrograms* otherPrograms_;
    bool startUpPending_ = false;
    std::vector<platform::DeviceEvent> pendingDeviceChanges_;
    // While sensors are read beside the event loop: the indices whose read
    // is under way. Their records are not looked at until it ends.
    std::set<std::int16_t> readsUnderway_;
    // At start-up: whether each sensor whose read ended read completely.
    std::map<std::int16_t, bool> startUpReads_;
    std::vector<PropertyPage*> pages_;
    std::set<PropertyPage*> modifiedPages_;
    int activePage_ = -1;
    bool initialised_ = false;
    bool switchingPages_ = false;
};
