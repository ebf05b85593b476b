#include "config/TemplateConfigSet.h"

#include "config/TemplateFile.h"
#include "devlib/DevLib.h"

int ReadConfigSetFmFile(const std::string& path, ConfigSet& blocks, std::string* failure)
{
    tsLibState& state = LibState();
    tsDevSlot& slot = state.Slots[state.CurrentSlot];
    const tsDevSlot before = slot;
    const int result = ReadDevCfgFmFile(path, failure);
    blocks = ConfigSet{slot.Sonar, slot.WalkAway, slot.WalkUp, slot.WalkAwayEx, slot.WalkUpEx, slot.Idle};
    slot = before;
    return result;
}
