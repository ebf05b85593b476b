#pragma once

// The pages are unavailable for the lifetime of this object: what they show
// is not the sensor's while another one is read. Each page then gets back
// the state it had; a refresh afterwards lets the page decide.

#include <vector>

#include "pages/PropertyPage.h"

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
