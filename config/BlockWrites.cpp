#include "config/BlockWrites.h"

namespace {

constexpr BlockWrite kSonar{"Sonar", &ConfigModel::WriteSonarToDevice};
constexpr BlockWrite kWalkAway{"WalkAway", &ConfigModel::WriteWalkAwayToDevice};
constexpr BlockWrite kWalkAwayEx{"WalkAwayEx", &ConfigModel::WriteWalkAwayExToDevice};
constexpr BlockWrite kWalkUp{"WalkUp", &ConfigModel::WriteWalkUpToDevice};
constexpr BlockWrite kWalkUpEx{"WalkUpEx", &ConfigModel::WriteWalkUpExToDevice};
constexpr BlockWrite kIdle{"Idle", &ConfigModel::WriteIdleToDevice};

}  // namespace

const BlockWrite& BlockWriteOf(TemplateBlock block)
{
    switch (block) {
        case TemplateBlock::Sonar:
            return kSonar;
        case TemplateBlock::WalkAway:
            return kWalkAway;
        case TemplateBlock::WalkAwayEx:
            return kWalkAwayEx;
        case TemplateBlock::WalkUp:
            return kWalkUp;
        case TemplateBlock::WalkUpEx:
            return kWalkUpEx;
        case TemplateBlock::Idle:
            break;
    }
    return kIdle;
}
