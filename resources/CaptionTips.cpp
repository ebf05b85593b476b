#include "CaptionTips.h"

#include <cstring>

namespace res {
namespace {

struct CaptionTip {
    const char* Caption;
    const char* Tip;
};

constexpr CaptionTip kTips[] = {
    {"LShft", "Left Shift"},
    {"LCTL", "Left Ctrl"},
    {"LALT", "Left Alt"},
    {"LGUI", "Left GUI key (the Windows or Super key)"},
    {"RShft", "Right Shift"},
    {"RCTL", "Right Ctrl"},
    {"RALT", "Right Alt (AltGr)"},
    {"RGUI", "Right GUI key (the Windows or Super key)"},
    {"Key", "The USB usage code of the key chosen in the list below"},
    {"MinDist Fault Send Rate (sec):",
     "How often, in seconds, the sensor sends its fault keys while a target is closer than the minimum "
     "detection distance"},
    {"Target < MinDist Fault", "Treat a target closer than the minimum detection distance as a fault"},
    {"40Kc Cycles", "The number of 40 kHz cycles in each ping"},
    {"Auto GetRange", "Read the range again and again, at the rate given beside it"},
    {"msec Rate", "Milliseconds between two readings of the range"},
    {"LUID", "Logical unit ID: a number of your choice that tells several sensors apart"},
    {"Win2K", "Windows 2000"},
    {"Win98/ME", "Windows 98 and Windows ME"},
};

}  // namespace

const char* tipForCaption(const char* caption)
{
    for (const CaptionTip& tip : kTips)
        if (std::strcmp(tip.Caption, caption) == 0) return tip.Tip;
    return nullptr;
}

}  // namespace res
