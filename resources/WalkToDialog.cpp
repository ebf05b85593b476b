// Dialog 109, the Walk-To page: seven key-set groups, the inter-key delay and
// the "Extension Set" switch.

#include "TemplateBuilding.h"

namespace res {
namespace {

// The seventh group stands one unit further right than on the Walk-Away page.
constexpr int kSeventhGroupLeft = 584;

constexpr auto kControls =
    detail::join(detail::keySetGroups(kWalkToKeySets, kSeventhGroupLeft), detail::delayRow(1014),
                 std::array<ControlTemplate, 1>{{
                     {1091, ControlKind::CheckBox, "Extension Set", 583, 137, 79, 14, NoStyle},
                 }});

constexpr DialogTemplate kDialog{109, "Walk-To", 680, 170, "MS Sans Serif", 8, kControls};

}  // namespace

const DialogTemplate& WalkToDialog()
{
    return kDialog;
}

}  // namespace res
