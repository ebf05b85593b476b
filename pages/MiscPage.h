#pragma once

// The Misc. page: reset and user defaults, advanced settings, quick setup,
// the range view, cloning, the configuration file and the LUID.

#include "PropertyPage.h"

class WAPage;
class WUPage;
class SNRPage;

class MiscPage : public PropertyPage {
    Q_OBJECT
public:
    // The Misc. page runs the other pages' collect steps before saving a file.
    MiscPage(PageContext context, WAPage& walkAway, WUPage& walkTo, SNRPage& sonar,
             QWidget* parent = nullptr);
};
