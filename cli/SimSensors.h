#pragma once

// The virtual sensors of --sim: how many, their firmware, the clock they run
// on and the faults they are given; and with --sim-state their memory, kept in
// a file from one run to the next.

#include <memory>
#include <string>
#include <vector>

#include "Request.h"
#include "platform/sim/SimPlatform.h"

namespace cli {

struct SimSensors {
    std::unique_ptr<sim::SimPlatform> Platform;
    std::vector<sim::DeviceId> Ids;  // sensor n is Ids[n - 1]
};

// The sim platform with the sensors plugged in; sensor n has LUID n. A null
// Platform with error set for a firmware that does not read.
SimSensors MakeSimSensors(const SimOptions& options, std::string& error);

// Gives each sensor the memory the file keeps for its number: LUID,
// configuration, user defaults and whether key sends are halted. A file that
// does not exist leaves the sensors factory-fresh. false with error set, naming
// the path, for a file that does not read.
bool RestoreSimState(const std::string& path, SimSensors& sensors, std::string& error);
// Writes the sensors' memory to the file, replacing it whole only once the new
// one is complete. false with error set.
bool KeepSimState(const std::string& path, const SimSensors& sensors, std::string& error);

}  // namespace cli
