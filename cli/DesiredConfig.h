#pragma once

// The configuration apply makes a sensor hold, as its file gives it: a
// template file, or a JSON document in the layout show --json prints, of which
// only the settings count. The LUID is never taken from either.

#include <optional>
#include <string>
#include <vector>

#include "Settings.h"

namespace cli {

class DesiredConfig {
public:
    // A file that is not JSON is taken for a template file and read when it is
    // put over a sensor's configuration; a JSON document is read and checked
    // here. nullopt with failure set, naming the path.
    static std::optional<DesiredConfig> Read(const std::string& path, std::string& failure);

    // config holds the sensor's configuration, its firmware deciding which
    // settings it has; the file's values are put over it with the pages'
    // corrections (said in notes). false with failure set when the file or a
    // value does not fit this sensor.
    bool PutOver(SensorConfig& config, std::vector<std::string>& notes, std::string& failure) const;

private:
    // A read-only setting the document names: the sensor must already hold it.
    struct Expected {
        const Setting* Target;
        std::string Typed;
    };

    std::string path_;
    bool template_ = true;
    std::vector<Assignment> assignments_;
    std::vector<Expected> expected_;
};

}  // namespace cli
