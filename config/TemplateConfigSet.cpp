#include "config/TemplateConfigSet.h"

#include "config/TemplateFile.h"
#include "devlib/DevLib.h"

int ReadConfigSetFmFile(const std::string& path, ConfigSet& blocks, std::string* failure)
{
    const tsLibState& state = LibState();
    const tsDevSlot& slot = state.Slots[state.CurrentSlot];
    ConfigSet read{slot.Sonar, slot.WalkAway, slot.WalkUp, slot.WalkAwayEx, slot.WalkUpEx, slot.Idle};
    if (!ReadTemplateValues(path, read, failure)) return 0;
    blocks = read;
    return 1;
}
