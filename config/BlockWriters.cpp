#include "config/BlockWriters.h"

namespace {

constexpr BlockWriter kSonar{"Sonar", &ConfigModel::WriteSonarToDevice};
constexpr BlockWriter kWalkAway{"WalkAway", &ConfigModel::WriteWalkAwayToDevice};
constexpr BlockWriter kWalkAwayEx{"WalkAwayEx", &ConfigModel::WriteWalkAwayExToDevice};
constexpr BlockWriter kWalkUp{"WalkUp", &ConfigModel::WriteWalkUpToDevice};
constexpr BlockWriter kWalkUpEx{"WalkUpEx", &ConfigModel::WriteWalkUpExToDevice};
constexpr BlockWriter kIdle{"Idle", &ConfigModel::WriteIdleToDevice};

}  // namespace

const BlockWriter& BlockWriterOf(TemplateBlock block)
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
