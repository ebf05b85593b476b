#include "DetectionWindowEdits.h"

void DetectionWindowEdits::publish(const DetectionWindow& window)
{
    if (window == current_) return;
    current_ = window;
    emit changed(window);
}
