#pragma once

// The Walk-To page: the walk-up key sequence and its extension set.

#include "KeySetEditor.h"

class WUPage : public KeySetPage {
    Q_OBJECT
public:
    explicit WUPage(PageContext context, QWidget* parent = nullptr);

    // Moves the key sets and delay from the controls into the model.
    void CollectKeySets();
};
