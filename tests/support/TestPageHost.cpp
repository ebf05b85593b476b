#include "TestPageHost.h"

#include <algorithm>
#include <utility>

void TestPageHost::sendPageCommand(PageCommand command, int argument)
{
    commands_.push_back({command, argument});
    for (PropertyPage* page : pages_) {
        if (page->isCreated()) page->OnPageCommand(command, argument);
    }
}

void TestPageHost::beginDeviceOperation(const QString& words)
{
    operationWords_.push_back(words);
    guard_.begin();
}

void TestPageHost::endDeviceOperation()
{
    guard_.end();
}

void TestPageHost::whenDeviceIdle(std::function<void()> work)
{
    guard_.whenIdle(std::move(work));
}

void TestPageHost::setPageModified(PropertyPage* page, bool modified)
{
    marks_.push_back({page, modified});
    current_[page] = modified;
}

bool TestPageHost::isMarkedModified(const PropertyPage& page) const
{
    const auto found = current_.find(&page);
    return found != current_.end() && found->second;
}

bool TestPageHost::anyMarkedModified() const
{
    return std::any_of(current_.begin(), current_.end(), [](const auto& entry) { return entry.second; });
}

void TestPageHost::clearRecords()
{
    marks_.clear();
    commands_.clear();
    operationWords_.clear();
}
