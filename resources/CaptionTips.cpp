#include "CaptionTips.h"

#include <cstring>

namespace res {
namespace {

struct CaptionTip {
    const char* Caption;
    const char* Tip;
    const char* Spoken;  // null: the caption is spoken as it stands
};

constexpr CaptionTip kTips[] = {
    {"LShft", "Left Shift", "Left Shift"},
    {"LCTL", "Left Ctrl", "Left Ctrl"},
    {"LALT", "Left Alt", "Left Alt"},
    {"LGUI", "Left GUI key (the Windows or Super key)", "Left GUI"},
    {"RShft", "Right Shift", "Right Shift"},
    {"RCTL", "Right Ctrl", "Right Ctrl"},
    {"RALT", "Right Alt (AltGr)", "Right Alt"},
    {"RGUI", "Right GUI key (the Windows or Super key)", "Right GUI"},
    {"Key", "The USB usage code of the key chosen in the list below", nullptr},
    {"MinDist Fault Send Rate (sec):",
     "How often, in seconds, the sensor sends its fault keys while a target is closer than the minimum "
     "detection distance",
     nullptr},
    {"Target < MinDist Fault", "Treat a target closer than the minimum detection distance as a fault",
     nullptr},
    {"40Kc Cycles", "The number of 40 kHz cycles in each ping", "40 kHz cycles"},
    {"Auto GetRange", "Read the range again and again, at the rate given beside it", nullptr},
    {"msec Rate", "Milliseconds between two readings of the range", nullptr},
    {"LUID", "Logical unit ID: a number of your choice that tells several sensors apart", nullptr},
    {"Win2K", "Windows 2000", "Windows 2000"},
    {"Win98/ME", "Windows 98 and Windows ME", "Windows 98 and Windows ME"},
};

const CaptionTip* findCaption(const char* caption)
{
    for (const CaptionTip& tip : kTips)
        if (std::strcmp(tip.Caption, caption) == 0) return &tip;
    return nullptr;
}

}  // namespace

const char* tipForCaption(const char* caption)
{
    const CaptionTip* found = findCaption(caption);
    return found ? found->Tip : nullptr;
}

const char* spokenCaption(const char* caption)
{
    const CaptionTip* found = findCaption(caption);
    return found ? found->Spoken : nullptr;
}

}  // namespace res
