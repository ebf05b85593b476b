#pragma once

// A fresh sim with one sensor plugged and opened, and raw report helpers.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/sim/SimPlatform.h"

namespace simtest {

inline sim::Report report(std::initializer_list<std::uint8_t> payload)
{
    sim::Report r{};
    std::size_t i = 1;
    for (std::uint8_t b : payload) r[i++] = b;
    return r;
}

inline sim::Report report(const sim::Half& payload)
{
    sim::Report r{};
    std::copy(payload.begin(), payload.end(), r.begin() + 1);
    return r;
}

inline sim::Half payloadOf(const sim::Report& r)
{
    sim::Half h{};
    std::copy(r.begin() + 1, r.end(), h.begin());
    return h;
}

class SimFixture : public ::testing::Test {
protected:
    SimFixture() { platform::install(&sim); }
    ~SimFixture() override { platform::install(nullptr); }

    bool send(const sim::Report& r, platform::Handle to) { return sim.setFeature(to, r); }
    bool send(const sim::Report& r) { return send(r, handle); }
    bool command(std::uint8_t code, std::uint8_t sub = 0) { return send(report({code, sub})); }

    // A read with its result; the report is all zero when the read failed.
    std::pair<bool, sim::Report> read(platform::Handle h)
    {
        sim::Report r{};
        r.fill(0xEE);
        r[0] = 0;
        const bool ok = sim.getFeature(h, r);
        return {ok, ok ? r : sim::Report{}};
    }

    // Command, the 250 ms the sensor needs, then the read; fails the test when a transfer fails.
    sim::Report readExchange(std::uint8_t code, std::uint8_t sub = 0)
    {
        EXPECT_TRUE(command(code, sub));
        sim.sleepMs(250);
        const auto [ok, answer] = read(handle);
        EXPECT_TRUE(ok);
        return answer;
    }

    void writeExchange(std::uint8_t code, std::uint8_t sub, const sim::Half& data)
    {
        EXPECT_TRUE(command(code, sub));
        sim.sleepMs(250);
        EXPECT_TRUE(send(report(data)));
    }

    sim::SimPlatform sim;
    sim::DeviceId id = sim.plugSensor();
    platform::Handle handle = sim.open(sim.pathOf(id));
    sim::VirtualSensor& sensor = sim.sensor(id);
};

}  // namespace simtest
