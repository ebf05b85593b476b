// Dialog 108, the Walk-Away page: seven key-set groups, the inter-key delay,
// the minimum-distance fault send rate and the "Extension Set" switch.

#include "TemplateBuilding.h"

namespace res {
namespace {

constexpr auto kControls =
    detail::join(detail::keySetGroups(kWalkAwayKeySets, detail::keySetGroupLeft(7)), detail::delayRow(1014),
                 std::array<ControlTemplate, 3>{{
                     {kNoId, ControlKind::Label, "MinDist Fault Send Rate (sec):", 7, 152, 138, 8, NoStyle},
                     {1023, ControlKind::NumberEdit, "", 149, 150, 37, 13, DigitsOnly | Centered | Disabled},
                     {1080, ControlKind::CheckBox, "Extension Set", 583, 137, 79, 14, NoStyle},
                 }});

constexpr DialogTemplate kDialog{108, "Walk-Away", 684, 170, "MS Sans Serif", 8, kControls};

}  // namespace

const DialogTemplate& WalkAwayDialog()
{
    return kDialog;
}

}  // namespace res
