#pragma once

// A page host for tests that stands in for the sheet: it records every
// modified mark a page sets or clears and the words of every device operation,
// sends page commands synchronously to the registered pages whose controls
// exist, in registration order, and holds work back while an operation runs,
// as the sheet does.

#include <QStringList>
#include <map>
#include <vector>

#include "app/DeviceBusyGuard.h"
#include "pages/PropertyPage.h"

class TestPageHost : public PageHost {
public:
    struct Mark {
        PropertyPage* Page;
        bool Modified;
    };
    struct Command {
        PageCommand Id;
        int Argument;
    };

    void addPage(PropertyPage& page) { pages_.push_back(&page); }

    void setPageModified(PropertyPage* page, bool modified) override;
    void sendPageCommand(PageCommand command, int argument) override;
    void beginDeviceOperation(const QString& words) override;
    void endDeviceOperation() override;
    bool deviceBusy() const override { return guard_.busy(); }
    void whenDeviceIdle(std::function<void()> work) override;

    // Every mark in order since the last clearRecords.
    const std::vector<Mark>& marks() const { return marks_; }
    // The page's current mark: the last one it set, false when none.
    bool isMarkedModified(const PropertyPage& page) const;
    // Whether the sheet would enable Apply: any page currently marked.
    bool anyMarkedModified() const;
    const std::vector<Command>& commands() const { return commands_; }
    // The words of every device operation begun, in order.
    const QStringList& operationWords() const { return operationWords_; }

    // Forgets the mark, command and operation logs; the current marks stay.
    void clearRecords();

private:
    std::vector<PropertyPage*> pages_;
    std::vector<Mark> marks_;
    std::map<const PropertyPage*, bool> current_;
    std::vector<Command> commands_;
    QStringList operationWords_;
    DeviceBusyGuard guard_;
};
