#pragma once

// The base of the four pages: builds its widgets from a dialog template,
// finds controls by id with small helpers in the spirit of the dialog API,
// maps widget events to id-based handlers, and takes part in the sheet's
// life cycle (initialisation, activation, leave, apply) and page commands.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "DeviceOperation.h"
#include "PageHost.h"
#include "config/Waits.h"
#include "resources/DialogTemplate.h"

class QComboBox;

// What a screen reader calls a control of a dialog: its caption, or the label
// beside it, after the title of the group box it stands in.
QString accessibleNameOf(const res::ControlTemplate& control, const res::DialogTemplate& dialog);

class PropertyPage : public QWidget {
    Q_OBJECT
public:
    // The wait after a page has written to the sensor.
    static constexpr std::uint32_t kWriteSettleMs = kPageWriteSettleMs;

    PropertyPage(const res::DialogTemplate& dialog, PageContext context, QWidget* parent = nullptr);

    const res::DialogTemplate& dialogTemplate() const { return dialog_; }
    QString caption() const;

    // ---- Called by the sheet ----
    // Builds the controls and runs OnInitDialog the first time; later calls do nothing.
    void create();
    bool isCreated() const { return created_; }
    virtual bool OnSetActive() { return true; }
    virtual bool OnKillActive() { return true; }
    // Apply and OK; a page reports success so the sheet may close.
    virtual bool OnApply() { return true; }
    // A page command; pages override the commands they answer.
    virtual void OnPageCommand(PageCommand command, int argument);

    bool isModified() const { return modified_; }

    // ---- Control access by id (also used by tests) ----
    QWidget* item(int id) const;
    QComboBox* listItem(int id) const;

protected:
    void changeEvent(QEvent* event) override;

    // Runs once, after the controls were built.
    virtual void OnInitDialog() {}

    // A device operation of this page for the lifetime of the returned object.
    DeviceOperation deviceOperation(const QString& words) const;

    // Event mapping: an edit's text changed (also for the program's own
    // writes), a check box or radio button was clicked by the user, the user
    // changed a list's selected item (choosing the item already selected is
    // no change).
    virtual void OnEditChanged(int id);
    virtual void OnButtonClicked(int id);
    virtual void OnListSelected(int id);

    void SetModified(bool modified = true);

    // Number edits: digits only, read by readUnsignedNumber (0 for empty or
    // non-numeric text, the largest 32-bit value for a longer number). Writing an edit's text by id always
    // raises its OnEditChanged once, also when the text stays the same.
    std::uint32_t GetDlgItemInt(int id) const;
    void SetDlgItemInt(int id, std::uint32_t value);
    QString GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const QString& text);
    bool IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, bool checked);
    void ShowDlgItem(int id, bool shown);
    void EnableDlgItem(int id, bool enabled);

    // Without a sensor a page shows no values as if they were the sensor's:
    // every edit emptied, every box clear, no list item selected, and no
    // change handling raised. Each control keeps its enabled state.
    void ClearControlValues();

    ConfigModel& model() const { return context_.Model; }
    UiServices& ui() const { return context_.Ui; }
    PageHost& host() const { return context_.Host; }
    // The platform's sleep, so waits run on the virtual clock in tests.
    void sleepMs(std::uint32_t ms) const;

private:
    void buildControls();
    // Places the controls, one per template entry in order, and sizes the page.
    void PlaceControls(const std::vector<QWidget*>& widgets);
    void ShowReadOnlyEdits();
    QWidget* buildControl(const res::ControlTemplate& control);

    const res::DialogTemplate& dialog_;
    PageContext context_;
    std::map<int, QWidget*> items_;
    bool created_ = false;
    bool modified_ = false;
};
