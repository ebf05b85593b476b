#include "TolvaneApp.h"

#include <utility>

#include "PropSheet.h"
#include "SheetSensors.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/UiServices.h"
#include "pages/WAPage.h"
#include "pages/WUPage.h"

namespace {

constexpr std::int16_t kLowestLibMajor = 2;

}  // namespace

CTolvaneApp::CTolvaneApp(UiServices& ui, DeviceWatcher& watcher, VersionQuery queryVersion)
    : ui_(ui), watcher_(watcher), queryVersion_(std::move(queryVersion))
{
}

CTolvaneApp::CTolvaneApp(UiServices& ui, DeviceWatcher& watcher)
    : CTolvaneApp(ui, watcher, SheetSensors::libraryVersion)
{
}

CTolvaneApp::~CTolvaneApp()
{
    DestroySheetAndPages();
}

bool CTolvaneApp::InitInstance()
{
    if (!StartUp()) return false;
    RunSheet();
    ShutDown();
    return true;
}

bool CTolvaneApp::StartUp()
{
    Model.Initialise();
    PageSonar = nullptr;
    PageWalkAway = nullptr;
    PageWalkTo = nullptr;
    PageMisc = nullptr;
    if (!LibraryVersionAccepted()) return false;
    BuildPagesAndSheet();
    return true;
}

bool CTolvaneApp::LibraryVersionAccepted()
{
    std::uint16_t major = 0, minor = 0, patch = 0;
    queryVersion_(&major, &minor, &patch);
    Model.SetLibVersion(major, minor, patch);
    if (Model.LibVerMajor >= kLowestLibMajor) return true;
    ui_.messageBox(nullptr, QStringLiteral("Must use DLL v2.00 or higher with this App!"),
                   QStringLiteral("DLL Incompatibility"), MessageIcon::Exclamation);
    return false;
}

void CTolvaneApp::BuildPagesAndSheet()
{
    // The sheet object comes first because every page reaches its host
    // through its context; its window and the pages' windows are created
    // only when the sheet is shown.
    sheet_ = std::make_unique<PropSheet>(Model, ui_, watcher_, QString::fromStdString(Model.SheetTitle()));
    const PageContext context{Model, ui_, *sheet_};

    walkAway_ = std::make_unique<WAPage>(context);
    PageWalkAway = walkAway_.get();
    walkTo_ = std::make_unique<WUPage>(context);
    PageWalkTo = walkTo_.get();
    sonar_ = std::make_unique<SNRPage>(context);
    PageSonar = sonar_.get();
    misc_ = std::make_unique<MiscPage>(context, *walkAway_, *walkTo_, *sonar_);
    PageMisc = misc_.get();

    sheet_->AddPage(PageWalkAway);
    sheet_->AddPage(PageWalkTo);
    sheet_->AddPage(PageSonar);
    sheet_->AddPage(PageMisc);
}

void CTolvaneApp::RunSheet()
{
    sheet_->exec();
}

void CTolvaneApp::ShutDown()
{
    sheet_->sensors()->closeAll();
    DestroySheetAndPages();
}

void CTolvaneApp::DestroySheetAndPages()
{
    sheet_.reset();
    misc_.reset();
    sonar_.reset();
    walkTo_.reset();
    walkAway_.reset();
    PageMisc = nullptr;
    PageSonar = nullptr;
    PageWalkTo = nullptr;
    PageWalkAway = nullptr;
}
