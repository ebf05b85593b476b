#pragma once

// The virtual sensors of --sim: how many, their firmware, the clock they run
// on and the faults they are given.

#include <memory>
#include <string>

#include "Request.h"
#include "platform/sim/SimPlatform.h"

namespace cli {

// The sim platform with the sensors plugged in; sensor n has LUID n. nullptr
// with error set for a firmware that does not read.
std::unique_ptr<sim::SimPlatform> MakeSimSensors(const SimOptions& options, std::string& error);

}  // namespace cli
