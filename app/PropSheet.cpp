#include "PropSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "DeviceWatcher.h"
#include "OtherPrograms.h"
#include "SensorChooser.h"
#include "SheetSensors.h"
#include "SheetStatusLine.h"
#include "config/ConfigModel.h"
#include "pages/UiServices.h"
#include "pages/WindowMemory.h"

namespace {

constexpr int kMargin = 7;
// The sheet's name among the windows whose place the program remembers.
const QString kWindowName = QStringLiteral("sheet");
// The "Halt Key Sends" box sits this far from the sheet's left edge, its
// bottom this far above the sheet's bottom, level with the OK button.
constexpr int kHaltBoxLeft = 10;
constexpr int kButtonRowBottom = 8;

const QString kPendingChangesQuestion = QStringLiteral(
    "The changes on the pages have not been applied to the sensor being edited.\n\nApply them to it "
    "before editing the other sensor, or discard them?");

const QString kChangedElsewhereQuestion = QStringLiteral(
    "Another program has changed the sensor since this sheet read it.\n\nOverwrite its changes with the "
    "ones on the pages, or read the sensor again and drop the changes on the pages?");

const QString kCloseQuestion = QStringLiteral(
    "The changes on the pages have not been applied to the sensor.\n\nApply them to it before closing, or "
    "discard them?");

QString ReadingSensorWords()
{
    return QStringLiteral("Reading the sensor…");
}

QString ResumingKeySendsWords()
{
    return QStringLiteral("Resuming key sends…");
}

QString ApplyingWords()
{
    return QStringLiteral("Applying the changes…");
}

// The pages are unavailable for the lifetime of this object: what they show
// is not the sensor's while another one is read. Each page then gets back
// the state it had; a refresh afterwards lets the page decide.
class PagesUnavailable {
public:
    explicit PagesUnavailable(const std::vector<PropertyPage*>& pages) : pages_(pages)
    {
        for (PropertyPage* page : pages_) {
            wasEnabled_.push_back(!page->testAttribute(Qt::WA_ForceDisabled));
            page->setEnabled(false);
        }
    }
    ~PagesUnavailable()
    {
        for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->setEnabled(wasEnabled_[i]);
    }
    PagesUnavailable(const PagesUnavailable&) = delete;
    PagesUnavailable& operator=(const PagesUnavailable&) = delete;

private:
    const std::vector<PropertyPage*>& pages_;
    std::vector<bool> wasEnabled_;
};

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

    // Room for the "Halt Key Sends" box, which is placed by hand.
    buttonRow_->addSpacing(2 * ok_->sizeHint().width() + kHaltBoxLeft);
    buttonRow_->addWidget(chooser_);
    buttonRow_->addStretch();
    about_->setAutoDefault(false);
    buttonRow_->addWidget(about_);
    buttonRow_->addWidget(ok_);
    buttonRow_->addWidget(cancel_);
    buttonRow_->addWidget(apply_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kButtonRowBottom);
    layout->addWidget(tabs_);
    layout->addWidget(statusLine_);
    layout->addLayout(buttonRow_);

    connect(ok_, &QPushButton::clicked, this, &PropSheet::accept);
    // Cancel means "discard the changes"; Escape and the close box ask first.
    connect(cancel_, &QPushButton::clicked, this, [this] { busyGuard_.whenIdle([this] { RejectNow(); }); });
    connect(apply_, &QPushButton::clicked, this, &PropSheet::OnApplyClicked);
    connect(about_, &QPushButton::clicked, this, &PropSheet::ShowAbout);
    connect(tabs_, &QTabWidget::currentChanged, this, &PropSheet::OnTabChanged);
    connect(chooser_, &SensorChooser::sensorChosen, this, &PropSheet::ChooseSensor);
    connect(sensors_, &SheetSensors::listChanged, this, &PropSheet::ShowSensors);
    connect(sensors_, &SheetSensors::editedChanged, this, &PropSheet::OnEditedSensorChanged);
    AddPageChangeKeys();
}

// Ctrl+Tab and Ctrl+Shift+Tab change page from wherever the focus is in the sheet.
void PropSheet::AddPageChangeKeys()
{
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [this] { StepPage(1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    connect(previous, &QShortcut::activated, this, [this] { StepPage(-1); });
}

void PropSheet::StepPage(int step)
{
    if (pageCount() == 0) return;
    tabs_->setCurrentIndex((tabs_->currentIndex() + step + pageCount()) % pageCount());
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
    tabs_->addTab(page, TabTextWithMnemonic(page->caption()));
    switchingPages_ = false;
    pages_.push_back(page);
}

// Alt and the first letter of a word of the caption that no tab and none of
// the sheet's own controls answer yet.
QString PropSheet::TabTextWithMnemonic(const QString& caption) const
{
    QString taken = QStringLiteral("OCABHE");  // OK, Cancel, Apply, About, Halt Key Sends, Edit sensor
    for (int i = 0; i < tabs_->count(); ++i) {
        const QString text = tabs_->tabText(i);
        const qsizetype mark = text.indexOf(QLatin1Char('&'));
        if (mark >= 0 && mark + 1 < text.size()) taken += text.at(mark + 1).toUpper();
    }
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const bool wordStart = i == 0 || !caption.at(i - 1).isLetter();
        if (wordStart && caption.at(i).isLetter() && !taken.contains(caption.at(i).toUpper()))
            return QString(caption).insert(i, QLatin1Char('&'));
    }
    return caption;
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
    if (haltKeySends_) chain.push_back(haltKeySends_);
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
    CreateHaltKeySendsBox();
    model_.ConfigLoaded = 0;
    CreateFirstPage();
    adjustSize();
}

// The first page is built before the sheet is first painted, so the sheet
// shows it while the sensor is read; the others are built when start-up
// activates them.
void PropSheet::CreateFirstPage()
{
    if (pageCount() > 0) pages_.front()->create();
}

void PropSheet::BeginStartUp()
{
    startUpPending_ = true;
    ui_.beginBusyCursor();
    beginDeviceOperation(ReadingSensorWords());
    QTimer::singleShot(0, this, &PropSheet::ReadSensorsAtStartUp);
}

// Devices are followed before the sensors are opened, so a sensor plugged
// in or pulled out while they are read is not missed; a notification for a
// sensor already in the table changes nothing.
void PropSheet::ReadSensorsAtStartUp()
{
    RegisterForDeviceNotifications();
    sensors_->openAll();
    ActivateEveryPage();
    ShowSensors();
    startUpPending_ = false;
    endDeviceOperation();
    ui_.endBusyCursor();
}

void PropSheet::CreateHaltKeySendsBox()
{
    haltKeySends_ = new QCheckBox(tr("&Halt Key Sends"), this);
    haltKeySends_->setObjectName(QStringLiteral("ctl%1").arg(kHaltKeySendsId));
    connect(haltKeySends_, &QCheckBox::clicked, this, &PropSheet::OnHaltKeySendsClicked);
    // Offered once a sensor has been read.
    haltKeySends_->setEnabled(false);
    PlaceHaltKeySendsBox();
    OrderTabChain();
}

void PropSheet::PlaceHaltKeySendsBox()
{
    if (!haltKeySends_) return;
    const int height = ok_->height();
    haltKeySends_->setGeometry(kHaltBoxLeft, this->height() - kButtonRowBottom - height, 2 * ok_->width(),
                               height);
}

void PropSheet::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceHaltKeySendsBox();
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
    const unsigned long error = watcher_.start(
        this, [this](const std::vector<platform::DeviceEvent>& events) { OnDeviceChanges(events); });
    if (error != 0)
        ui_.messageBox(this, QStringLiteral("GetLastError() == %1").arg(error),
                       QStringLiteral("RegisterDeviceNotification()"), MessageIcon::Exclamation);
}

// The visit of each page is not painted: the first one shows throughout.
void PropSheet::ActivateEveryPage()
{
    tabs_->setUpdatesEnabled(false);
    for (int index = 0; index < pageCount(); ++index) {
        ActivatePage(index);
        platform::current().sleepMs(kPageActivationPauseMs);
    }
    if (pageCount() > 0) ActivatePage(0);
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

void PropSheet::confirm(const QString& words)
{
    statusLine_->showNotice(words);
}

void PropSheet::whenDeviceIdle(std::function<void()> work)
{
    busyGuard_.whenIdle(std::move(work));
}

// Changes that come while a device operation runs join those already
// waiting, so sensors plugged in together are read together.
void PropSheet::OnDeviceChanges(const std::vector<platform::DeviceEvent>& events)
{
    const bool waiting = !pendingDeviceChanges_.empty();
    pendingDeviceChanges_.insert(pendingDeviceChanges_.end(), events.begin(), events.end());
    if (!waiting) busyGuard_.whenIdle([this] { HandleDeviceChanges(); });
}

void PropSheet::HandleDeviceChanges()
{
    const std::vector<platform::DeviceEvent> changes = std::exchange(pendingDeviceChanges_, {});
    const DeviceOperation operation(*this, ui_, ReadingSensorWords());
    sensors_->follow(changes);
}

void PropSheet::ShowModelSensor()
{
    SetTitleFromModel();
    UpdateApplyButton();
}

bool PropSheet::ChooseSensor(int index)
{
    if (!modifiedPages_.empty()) {
        const Answer answer =
            ui_.question(this, kPendingChangesQuestion, {Answer::Apply, Answer::Discard, Answer::Cancel},
                         Answer::Cancel, QStringLiteral("Edit another sensor"));
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
        ResumeKeySendsIfHalted();
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
    if (haltKeySends_) haltKeySends_->setEnabled(edited.has_value());
    sensorStatus_ = sensorStatusText(sensors, edited, sensors_->inaccessibleCount());
    statusLine_->setSensorStatus(sensorStatus_);
}

void PropSheet::SetTitleFromModel()
{
    setWindowTitle(QString::fromStdString(model_.SheetTitle()));
}

void PropSheet::OnHaltKeySendsClicked()
{
    busyGuard_.whenIdle([this] { SendHaltOrResume(); });
}

// The box's state when the command is sent is what the sensor gets.
void PropSheet::SendHaltOrResume()
{
    const bool halt = haltKeySends_->isChecked();
    const DeviceOperation operation(*this, ui_,
                                    halt ? QStringLiteral("Halting key sends…") : ResumingKeySendsWords());
    sensors_->haltKeySends(halt);
    platform::current().sleepMs(kKeySendsPauseMs);
}

void PropSheet::ResumeKeySendsIfHalted()
{
    if (!haltKeySends_ || !haltKeySends_->isChecked()) return;
    const DeviceOperation operation(*this, ui_, ResumingKeySendsWords());
    sensors_->haltKeySends(false);
    platform::current().sleepMs(kKeySendsPauseMs);
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
    const Answer answer =
        ui_.question(this, kChangedElsewhereQuestion, {Answer::Overwrite, Answer::ReadAgain, Answer::Cancel},
                     Answer::Cancel, QStringLiteral("Sensor changed by another program"));
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
    sendPageCommand(PageCommand::Refresh, kReadFromSensor);
}

void PropSheet::accept()
{
    busyGuard_.whenIdle([this] { AcceptNow(); });
}

void PropSheet::AcceptNow()
{
    if (!ConfirmWriteOverOtherChanges()) return;
    const DeviceOperation operation(*this, ui_, ApplyingWords());
    ResumeKeySendsIfHalted();
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
    const Answer answer = ui_.question(this, kCloseQuestion, {Answer::Apply, Answer::Discard, Answer::Cancel},
                                       Answer::Cancel, QStringLiteral("Close"));
    if (answer == Answer::Discard) RejectNow();
    if (answer == Answer::Apply) ApplyAndClose();
}

// A change that could not be written keeps the sheet open, with the change.
void PropSheet::ApplyAndClose()
{
    const DeviceOperation operation(*this, ui_, ApplyingWords());
    ApplyNow();
    if (!modifiedPages_.empty()) return;
    ResumeKeySendsIfHalted();
    QDialog::accept();
}

void PropSheet::RejectNow()
{
    ResumeKeySendsIfHalted();
    QDialog::reject();
}

bool PropSheet::event(QEvent* event)
{
    // There is no help: help requests do nothing.
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::EnterWhatsThisMode) return true;
    return QDialog::event(event);
}

// F1 opens the manual.
void PropSheet::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        event->accept();
        ui_.openManual(this);
        return;
    }
    QDialog::keyPressEvent(event);
}

// The program's and the device library's versions, and the licence.
void PropSheet::ShowAbout()
{
    QFile copyright(QStringLiteral(":/copyright"));
    const QString licence =
        copyright.open(QIODevice::ReadOnly) ? QString::fromUtf8(copyright.readAll()).trimmed() : QString();
    const QString text = QStringLiteral(
                             "Tolvane %1\nConfiguration tool for a USB ultrasonic presence sensor.\n\n"
                             "Device library (DLL) %2.%3%4\nQt %5\n\n%6")
                             .arg(QStringLiteral(TOLVANE_VERSION))
                             .arg(model_.LibVerMajor)
                             .arg(model_.LibVerMinor)
                             .arg(model_.LibVerPatch)
                             .arg(QString::fromLatin1(qVersion()), licence);
    ui_.messageBox(this, text, QStringLiteral("About Tolvane"));
}
