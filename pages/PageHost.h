#pragma once

// The seam between a page and the sheet that holds it: the page commands, what
// a page asks of its sheet, and what a page is given when it is made.

#include <QString>
#include <functional>

class ConfigModel;
class UiServices;
class PropertyPage;

// The three commands the sheet and the Misc. page send to every page, each
// with an argument: a RefreshReason, an AdvancedView, or the
// number of a quick-setup preset.
enum class PageCommand { Refresh = 1026, AdvancedSettings = 1027, QuickSetup = 1028 };

// Why the pages show the model anew: it was read from the sensor, restored
// from a template file and so is to be written on the next Apply, or the
// edited sensor was read back (after Apply, or changed by another program).
// A read-back refreshes the values only: the view the user works in (the
// advanced settings on or off, the page, the focused control) stays.
enum RefreshReason : int { kReadFromSensor = 0, kRestoredFromFile = 1, kReadBack = 2 };

// Whether the pages show their advanced settings.
enum AdvancedView : int { kAdvancedHidden = 0, kAdvancedShown = 1 };

// The sensor the pages edit: its device node, which stays as its LUID
// changes, and its name for people ("LUID 5 (/dev/hidraw3)"); both empty
// without one.
struct EditedSensor {
    QString Node;
    QString Name;
};

// What a page needs from the sheet that holds it.
class PageHost {
public:
    virtual ~PageHost() = default;
    // A page's modified mark; Apply is enabled while any page is marked.
    virtual void setPageModified(PropertyPage* page, bool modified) = 0;
    // Sends a page command synchronously to every page whose window exists.
    virtual void sendPageCommand(PageCommand command, int argument) = 0;

    // A device operation begins or ends (see DeviceOperation); words say what
    // it does while it runs.
    virtual void beginDeviceOperation(const QString& words) = 0;
    virtual void endDeviceOperation() = 0;
    // Whether a device operation runs.
    virtual bool deviceBusy() const = 0;
    // Runs work once no device operation runs, in the order asked.
    virtual void whenDeviceIdle(std::function<void()> work) = 0;
    // Tells the user that something asked for is done ("Saved ..."), where the
    // host shows such words; a host without a place for them shows nothing.
    virtual void confirm(const QString& words);
    virtual EditedSensor editedSensor() const;
    // The edited sensor's name, for questions about it, when other sensors
    // are attached too; empty when it is the only one.
    virtual QString editedSensorAmongOthers() const;
};

struct PageContext {
    ConfigModel& Model;
    UiServices& Ui;
    PageHost& Host;
};
