#pragma once

// How each parameter block reaches the sensor: the model's write of it and
// the name a failed write gives it. The pages and tolvanectl write blocks
// through these and name them alike.

#include "config/ConfigModel.h"
#include "config/TemplateFields.h"

struct BlockWriter {
    const char* Name;
    int (ConfigModel::*Write)();
};

const BlockWriter& BlockWriterOf(TemplateBlock block);
