#pragma once

// The application object: holds the configuration model and the four page
// pointers, gates on the device library's version, builds the pages and the
// sheet, runs the sheet modally, and closes the library when it is done.

#include <cstdint>
#include <functional>
#include <memory>

#include "config/ConfigModel.h"

class DeviceWatcher;
class MiscPage;
class PropSheet;
class SNRPage;
class UiServices;
class WAPage;
class WUPage;

class CTolvaneApp {
public:
    // The library's version query (GetLibVersion in the program).
    using VersionQuery = std::function<int(std::uint16_t*, std::uint16_t*, std::uint16_t*)>;

    CTolvaneApp(UiServices& ui, DeviceWatcher& watcher, VersionQuery queryVersion);
    CTolvaneApp(UiServices& ui, DeviceWatcher& watcher);
    ~CTolvaneApp();
    CTolvaneApp(const CTolvaneApp&) = delete;
    CTolvaneApp& operator=(const CTolvaneApp&) = delete;

    // The whole start-up: StartUp, RunSheet, ShutDown. False when the version
    // gate stopped it before the sheet.
    bool InitInstance();

    // The steps of InitInstance, so the sheet can be driven between them.
    // StartUp initialises the model, checks the library version and builds the
    // pages and the sheet; false (with a message) when the library is too old.
    bool StartUp();
    // Runs the sheet modally until it is closed.
    void RunSheet();
    // Closes the library, then destroys the sheet and the pages.
    void ShutDown();

    PropSheet* Sheet() const { return sheet_.get(); }

    ConfigModel Model;
    // The pages while the sheet exists; they are owned by start-up.
    SNRPage* PageSonar = nullptr;
    WAPage* PageWalkAway = nullptr;
    WUPage* PageWalkTo = nullptr;
    MiscPage* PageMisc = nullptr;

private:
    bool LibraryVersionAccepted();
    void BuildPagesAndSheet();
    void DestroySheetAndPages();

    UiServices& ui_;
    DeviceWatcher& watcher_;
    VersionQuery queryVersion_;
    std::unique_ptr<PropSheet> sheet_;
    std::unique_ptr<WAPage> walkAway_;
    std::unique_ptr<WUPage> walkTo_;
    std::unique_ptr<SNRPage> sonar_;
    std::unique_ptr<MiscPage> misc_;
};
