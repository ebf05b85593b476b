#include "PropSheet.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "AboutBox.h"
#include "DeviceWatcher.h"
#include "HaltKeySendsBox.h"
#include "OtherPrograms.h"
#include "PagesUnavailable.h"
#include "SensorChooser.h"
#include "SheetKeyboard.h"
#include "SheetQuestions.h"
#include "SheetSensors.h"
#include "SheetStatusLine.h"
#include "config/ConfigModel.h"
#include "pages/UiServices.h"
#include "pages/WindowMemory.h"
#include "platform/DevicePath.h"

namespace {

constexpr int kMargin = 7;
// The sheet's name among the windows whose place the program remembers.
const QString kWindowName = QStringLiteral("sheet");

QString ApplyingWords()
{
    return QStringLiteral("Applying the changes…");
}

}  // namespace

PropSheet::PropSheet(ConfigModel& model, UiServices& ui, DeviceWatcher& watcher, const QString& title)
    : model_(model),
      ui_(ui),
      watcher_(watcher),
      tabs_(new QTabWidget(this)),
      ok_(new QPushButton(tr("&OK"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this)),
      apply_(new QPushButton(tr("&Apply"), this)),
      about_(new QPushButton(tr("A&bout…"), this)),
      buttonRow_(new QHBoxLayout),
      chooser_(new SensorChooser(this)),
      statusLine_(new SheetStatusLine(this)),
      sensors_(new SheetSensors(model, this)),
      otherPrograms_(new OtherPrograms(
          *statusLine_, *sensors_,
          [this] { return !busyGuard_.busy() && !startUpPending_ && sensors_->editing(); },
          [this] { OnChangedElsewhere(); }, this))
{
    setWindowTitle(title);
    // Window-modal without a parent: the modal run blocks nothing but the
    // sheet itself, so a window of the program's own beside it stays usable.
    setWindowModality(Qt::WindowModal);
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);

    ok_->setDefault(true);
    apply_->setEnabled(false);
    haltKeySends_ = new HaltKeySendsBox(*this, *ok_, *this, ui_, *sensors_);

    // Room for the "Halt Key Sends" box, which is placed by hand.
    buttonRow_->addSpacing(2 * ok_->sizeHint().width() + HaltKeySendsBox::kLeft);
    buttonRow_->addWidget(chooser_);
    buttonRow_->addStretch();
    about_->setAutoDefault(false);
    buttonRow_->addWidget(about_);
    buttonRow_->addWidget(ok_);
    buttonRow_->addWidget(cancel_);
    buttonRow_->addWidget(apply_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, HaltKeySendsBox::kBottom);
    layout->addWidget(tabs_);
    layout->addWidget(statusLine_);
    layout->addLayout(buttonRow_);

    connect(ok_, &QPushButton::clicked, this, &PropSheet::accept);
    // Cancel means "discard the changes"; Escape and the close box ask first.
    connect(cancel_, &QPushButton::clicked, this, [this] { busyGuard_.whenIdle([this] { RejectNow(); }); });
    connect(apply_, &QPushButton::clicked, this, &PropSheet::OnApplyClicked);
    connect(about_, &QPushButton::clicked, this, [this] { showAboutBox(this, ui_, model_); });
    connect(tabs_, &QTabWidget::currentChanged, this, &PropSheet::OnTabChanged);
    connect(chooser_, &SensorChooser::sensorChosen, this, &PropSheet::ChooseSensor);
    connect(sensors_, &SheetSensors::listChanged, this, &PropSheet::ShowSensors);
    connect(sensors_, &SheetSensors::editedChanged, this, &PropSheet::OnEditedSensorChanged);
    addPageChangeKeys(*this, *tabs_);
    addHelpKeys(*this, ui_);
}

PropSheet::~PropSheet()
{
    if (startUpPending_) ui_.endBusyCursor();
    // The pages belong to start-up, which destroys them after the sheet.
    switchingPages_ = true;
    for (PropertyPage* page : pages_) {
        page->hide();
        page->setParent(nullptr);
    }
}

void PropSheet::AddPage(PropertyPage* page)
{
    switchingPages_ = true;
    tabs_->addTab(page, tabTextWithMnemonic(*tabs_, page->caption()));
    switchingPages_ = false;
    pages_.push_back(page);
}

void PropSheet::AddButtonRowWidget(QWidget* widget)
{
    widget->setParent(this);
    buttonRow_->insertWidget(buttonRow_->indexOf(ok_), widget);
    OrderTabChain();
}

// Tab goes through the tabs, the controls of each page in page order, then
// the button row from left to right.
void PropSheet::OrderTabChain()
{
    std::vector<QWidget*> chain{tabs_->tabBar()};
    for (PropertyPage* page : pages_)
        for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control->focusPolicy() & Qt::TabFocus) chain.push_back(control);
    chain.push_back(haltKeySends_);
    for (int i = 0; i < buttonRow_->count(); ++i) {
        QWidget* widget = buttonRow_->itemAt(i)->widget();
        if (widget == chooser_) widget = chooser_->list();
        if (widget) chain.push_back(widget);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void PropSheet::setVisible(bool visible)
{
    const bool first = visible && !initialised_;
    if (first) {
        initialised_ = true;
        OnInitDialog();
        restoreWindowPlace(*this, kWindowName);
    }
    // Closed or hidden by the program, the sheet remembers where it was.
    if (!visible && isVisible()) saveWindowPlace(*this, kWindowName);
    QDialog::setVisible(visible);
    if (first) BeginStartUp();
}

void PropSheet::OnInitDialog()
{
    OrderTabChain();
    model_.ConfigLoaded = 0;
    // The first page is built before the sheet is first painted, so the sheet
    // shows it while the sensor is read; start-up builds the others.
    if (pageCount() > 0) pages_.front()->create();
    adjustSize();
}

void PropSheet::BeginStartUp()
{
    startUpPending_ = true;
    ui_.beginBusyCursor();
    beginDeviceOperation(ReadingSensorWords());
    QTimer::singleShot(0, this, &PropSheet::ReadSensorsAtStartUp);
}

// The sheet paints itself first: its first paint waits for nothing of the
// sensors', nor for its icon to be decoded. Devices are followed before the
// sensors are opened, so a sensor plugged in or pulled out while they are
// read is not missed; a notification for a sensor already in the table
// changes nothing.
void PropSheet::ReadSensorsAtStartUp()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    setWindowIcon(QIcon(QStringLiteral(":/tolvane.png")));
    RegisterForDeviceNotifications();
    sensors_->openAll();
    ActivateEveryPage();
    ShowSensors();
    startUpPending_ = false;
    endDeviceOperation();
    ui_.endBusyCursor();
}

// The sensor whose key sends were halted is no longer the one edited: the
// next one types.
void PropSheet::OnEditedSensorChanged()
{
    haltKeySends_->setChecked(false);
    ShowModelSensor();
    sendPageCommand(PageCommand::Refresh, kReadFromSensor);
}

void PropSheet::RegisterForDeviceNotifications()
{
    const unsigned long error = sensors_->followDevices(watcher_, *this, ui_);
    if (error != 0)
        ui_.messageBox(this, QStringLiteral("GetLastError() == %1").arg(error),
                       QStringLiteral("RegisterDeviceNotification()"), MessageIcon::Exclamation);
}

// The visit of each page is not painted, and it ends on the page shown
// before it: the first, or the one the user chose while the sheet started.
void PropSheet::ActivateEveryPage()
{
    const int shown = std::max(activePage_, 0);
    tabs_->setUpdatesEnabled(false);
    for (int index = 0; index < pageCount(); ++index) {
        ActivatePage(index);
        platform::current().sleepMs(kPageActivationPauseMs);
    }
    if (pageCount() > 0) ActivatePage(shown);
    tabs_->setUpdatesEnabled(true);
}

bool PropSheet::ActivatePage(int index)
{
    if (activePage_ >= 0 && activePage_ != index && !pages_[activePage_]->OnKillActive()) return false;
    PropertyPage* page = pages_[index];
    if (!page->isCreated()) {
        page->create();
        OrderTabChain();
    }
    switchingPages_ = true;
    tabs_->setCurrentIndex(index);
    switchingPages_ = false;
    activePage_ = index;
    page->OnSetActive();
    return true;
}

void PropSheet::OnTabChanged(int index)
{
    if (switchingPages_ || index < 0 || index == activePage_) return;
    if (ActivatePage(index)) return;
    switchingPages_ = true;
    tabs_->setCurrentIndex(activePage_);
    switchingPages_ = false;
}

void PropSheet::setPageModified(PropertyPage* page, bool modified)
{
    if (modified)
        modifiedPages_.insert(page);
    else
        modifiedPages_.erase(page);
    UpdateApplyButton();
}

// Without a sensor there is nothing to apply to.
void PropSheet::UpdateApplyButton()
{
    apply_->setEnabled(model_.ConfigLoaded && !modifiedPages_.empty());
}

void PropSheet::sendPageCommand(PageCommand command, int argument)
{
    for (PropertyPage* page : pages_)
        if (page->isCreated()) page->OnPageCommand(command, argument);
    // A refresh follows a read of the sensor: its LUID may have changed.
    if (command == PageCommand::Refresh) ShowSensors();
}

void PropSheet::beginDeviceOperation(const QString& words)
{
    busyGuard_.begin();
    statusLine_->beginActivity(words);
}

void PropSheet::endDeviceOperation()
{
    statusLine_->endActivity();
    busyGuard_.end();
}

EditedSensor PropSheet::editedSensor() const
{
    return editedOf(sensors_->listed());
}

QString PropSheet::editedSensorAmongOthers() const
{
    const std::vector<SensorFacts> sensors = sensors_->listed();
    return sensors.size() < 2 ? QString() : editedOf(sensors).Name;
}

EditedSensor PropSheet::editedOf(const std::vector<SensorFacts>& sensors) const
{
    const std::optional<std::size_t> edited = sensors_->editedInList();
    if (!edited || *edited >= sensors.size()) return {};
    const SensorFacts& sensor = sensors[*edited];
    return {QString::fromStdString(platform::deviceNodeOf(sensor.Path)), sensorName(sensor)};
}

void PropSheet::confirm(const QString& words)
{
    statusLine_->showNotice(words);
}

void PropSheet::whenDeviceIdle(std::function<void()> work)
{
    busyGuard_.whenIdle(std::move(work));
}

void PropSheet::ShowModelSensor()
{
    setWindowTitle(QString::fromStdString(model_.SheetTitle()));
    UpdateApplyButton();
}

bool PropSheet::ChooseSensor(int index)
{
    if (!modifiedPages_.empty()) {
        const Answer answer = ask(ui_, this, SheetQuestion::ChangesBeforeSwitching);
        if (answer == Answer::Apply) {
            busyGuard_.whenIdle([this] {
                const DeviceOperation operation(*this, ui_, ApplyingWords());
                ApplyNow();
            });
        }
        // A change that could not be applied stays pending, on this sensor.
        const bool keep = answer == Answer::Cancel || (answer == Answer::Apply && !modifiedPages_.empty());
        if (keep) {
            ShowSensors();
            return false;
        }
    }
    const DeviceOperation operation(*this, ui_, ReadingSensorWords());
    {
        const PagesUnavailable unavailable(pages_);
        // The sensor left behind types again; the box is for the one edited.
        haltKeySends_->resumeIfHalted();
        haltKeySends_->setChecked(false);
        sensors_->edit(index);
        ShowModelSensor();
    }
    sendPageCommand(PageCommand::Refresh, kReadFromSensor);
    return true;
}

void PropSheet::ShowSensors()
{
    const std::vector<SensorFacts> sensors = sensors_->listed();
    const std::optional<std::size_t> edited = sensors_->editedInList();
    chooser_->showSensors(sensors, edited);
    if (sensors_->reading()) return;
    // Key sends are halted on the sensor being edited; without one there is none to halt.
    haltKeySends_->setEnabled(edited.has_value());
    sensorStatus_ = sensorStatusText(sensors, edited, sensors_->inaccessibleCount());
    statusLine_->setSensorStatus(sensorStatus_);
}

bool PropSheet::ApplyAllPages()
{
    if (activePage_ >= 0 && !pages_[activePage_]->OnKillActive()) return false;
    for (PropertyPage* page : pages_) {
        if (!page->isCreated()) continue;
        if (!page->OnApply()) return false;
        // A page whose write failed because the sensor was pulled out has
        // said so; the pages after it would only fail and say it again.
        if (page->isModified() && !sensors_->editedStillPresent()) break;
    }
    return true;
}

// The sensor keeps some values in coarser steps than typed (the inter-key
// delay in 64 ms steps), and the status line names its LUID: once every
// change is written, the sensor is read back so that the pages and the
// status line show what it now holds.
// Apply is one operation: what arrives while one page writes waits until
// every page has written and the sensor has been read back.
void PropSheet::OnApplyClicked()
{
    busyGuard_.whenIdle([this] {
        if (!ConfirmWriteOverOtherChanges()) return;
        const DeviceOperation operation(*this, ui_, ApplyingWords());
        // A sensor pulled out meanwhile is not read: its removal, held until
        // the end of the operation, empties the pages.
        if (ApplyNow() && sensors_->editedStillPresent()) ShowWhatTheSensorHolds();
    });
}

// The question is asked before the sensor is held: no program waits on the user.
bool PropSheet::ConfirmWriteOverOtherChanges()
{
    if (modifiedPages_.empty() || !sensors_->editedChangedElsewhere()) return true;
    const Answer answer = ask(ui_, this, SheetQuestion::WritingOverOtherChanges);
    if (answer == Answer::ReadAgain) ShowWhatTheSensorHolds();
    return answer == Answer::Overwrite;
}

void PropSheet::OnChangedElsewhere()
{
    if (modifiedPages_.empty()) busyGuard_.whenIdle([this] { ShowWhatTheSensorHolds(); });
}

// The active page is not activated again: a page whose write failed keeps
// its controls and its modified mark.
bool PropSheet::ApplyNow()
{
    const bool pending = !modifiedPages_.empty();
    ApplyAllPages();
    return pending && modifiedPages_.empty();
}

void PropSheet::ShowWhatTheSensorHolds()
{
    const DeviceOperation operation(*this, ui_, ReadingSensorWords());
    sensors_->readEditedAgain();
    ShowModelSensor();
    sendPageCommand(PageCommand::Refresh, kReadBack);
}

void PropSheet::accept()
{
    busyGuard_.whenIdle([this] { AcceptNow(); });
}

void PropSheet::AcceptNow()
{
    if (!ConfirmWriteOverOtherChanges()) return;
    const DeviceOperation operation(*this, ui_, ApplyingWords());
    haltKeySends_->resumeIfHalted();
    if (ApplyAllPages()) QDialog::accept();
}

void PropSheet::reject()
{
    busyGuard_.whenIdle([this] { CloseAskingAboutChanges(); });
}

// Changes the user has not applied are not lost without the user's word.
void PropSheet::CloseAskingAboutChanges()
{
    if (modifiedPages_.empty()) {
        RejectNow();
        return;
    }
    const Answer answer = ask(ui_, this, SheetQuestion::ChangesBeforeClosing);
    if (answer == Answer::Discard) RejectNow();
    if (answer == Answer::Apply) ApplyAndClose();
}

// A change that could not be written keeps the sheet open, with the change.
void PropSheet::ApplyAndClose()
{
    const DeviceOperation operation(*this, ui_, ApplyingWords());
    ApplyNow();
    if (!modifiedPages_.empty()) return;
    haltKeySends_->resumeIfHalted();
    QDialog::accept();
}

void PropSheet::RejectNow()
{
    haltKeySends_->resumeIfHalted();
    QDialog::reject();
}
