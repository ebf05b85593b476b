#pragma once

// The Walk-Away page: the walk-away key sequence, its extension set and the
// minimum-distance fault send rate.

#include "KeySetEditor.h"

class WAPage : public KeySetPage {
    Q_OBJECT
public:
    explicit WAPage(PageContext context, QWidget* parent = nullptr);

    // Moves the key sets, delay and fault send rate from the controls into the model.
    void CollectKeySets();
};
