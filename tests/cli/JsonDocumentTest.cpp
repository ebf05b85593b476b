// tolvanectl --json: every command that takes it prints exactly one document on
// standard output, with its layout, also when it fails; a failure's document
// holds the message standard error gives, the exit status and the sensor.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "TolvanectlProcess.h"

namespace {

using Json = nlohmann::ordered_json;

// Standard output is one JSON document and nothing else (a second document or
// a word of text after it does not parse).
Json OnlyDocument(const ProcessResult& run)
{
    Json document = Json::parse(run.Out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << run.Out;
    if (document.is_discarded()) return nullptr;
    EXPECT_EQ(document["layout"], 1) << document;
    return document;
}

struct FailureCase {
    const char* Name;
    std::vector<std::string> Args;
    int Status;
    const char* Message;  // part of the error's message
    Json Sensor;          // the error's sensor number, or null
};

void PrintTo(const FailureCase& failure, std::ostream* os)
{
    *os << failure.Name;
}

class TolvanectlJsonFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TolvanectlJsonFailure, IsOneDocumentWithItsError)
{
    const FailureCase& failure = GetParam();
    const ProcessResult run = RunOnSim(failure.Args);
    EXPECT_EQ(run.Status, failure.Status) << run.Err;
    const Json document = OnlyDocument(run);
    const Json& error = document["error"];
    ASSERT_TRUE(error.is_object()) << document;
    EXPECT_EQ(error.size(), 3u) << error;
    EXPECT_EQ(error["exit_code"], failure.Status);
    EXPECT_EQ(error["sensor"], failure.Sensor);
    const std::string message = error["message"];
    EXPECT_NE(message.find(failure.Message), std::string::npos) << message;
    // Standard error says the same, in words.
    EXPECT_NE(run.Err.find(failure.Message), std::string::npos) << run.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TolvanectlJsonFailure,
    ::testing::Values(
        FailureCase{
            "list_no_sensor", {"--sim-sensors", "0", "list", "--json"}, 3, "no sensor connected", nullptr},
        FailureCase{
            "show_no_such_sensor", {"-s", "5", "show", "--json"}, 3, "no sensor 5: 1 connected", nullptr},
        FailureCase{
            "show_read_fails", {"--sim-fail-transfer", "3", "show", "--json"}, 1, "cannot read sensor 1", 1},
        FailureCase{
            "show_in_use", {"--sim-held", "3000", "--wait", "1", "show", "--json"}, 4, "in use", nullptr},
        FailureCase{
            "reset_fails", {"--sim-fail-transfer", "1", "reset", "--json"}, 1, "the factory reset failed", 1},
        FailureCase{"defaults_old_firmware",
                    {"--sim-firmware", "1.42", "defaults", "save", "--json"},
                    1,
                    "not supported",
                    1},
        FailureCase{
            "halt_fails", {"--sim-fail-transfer", "1", "halt", "--json"}, 1, "cannot halt key sends", 1},
        FailureCase{"usage_error", {"show", "--json", "--bogus"}, 2, "--bogus", nullptr},
        FailureCase{"bad_sim_firmware",
                    {"--sim-firmware", "x", "resume", "--json"},
                    2,
                    "not a firmware version",
                    nullptr}));

TEST(TolvanectlJson, ListNamesEverySensorAndTheInaccessibleOnes)
{
    const ProcessResult run = RunOnSim({"--sim-sensors", "3", "--sim-deny-access", "3", "list", "--json"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const Json document = OnlyDocument(run);
    EXPECT_EQ(document["sensors"], Json::parse(R"([
        {"number": 1, "count": 2, "node": "sim1", "vendor_id": "fff0", "product_id": "0001",
         "firmware": "4.05", "luid": 1},
        {"number": 2, "count": 2, "node": "sim2", "vendor_id": "fff0", "product_id": "0001",
         "firmware": "4.05", "luid": 2}])"));
    ASSERT_EQ(document["inaccessible"].size(), 1u);
    EXPECT_EQ(document["inaccessible"][0]["node"], "sim3");
    EXPECT_EQ(document["error"], nullptr);
}

TEST(TolvanectlJson, DeviceCommandsSayWhatWasDone)
{
    const std::pair<std::vector<std::string>, Json> cases[] = {
        {{"reset", "--json"}, {{"command", "reset"}, {"done", "factory defaults restored"}}},
        {{"defaults", "restore", "--json"},
         {{"command", "defaults restore"}, {"done", "user defaults restored"}}},
        {{"halt", "--json"}, {{"command", "halt"}, {"done", "key sends halted"}}},
        {{"resume", "--json"}, {{"command", "resume"}, {"done", "key sends resumed"}}},
    };
    for (const auto& [args, expected] : cases) {
        const ProcessResult run = RunOnSim(args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        const Json document = OnlyDocument(run);
        EXPECT_EQ(document["sensor"]["node"], "sim1");
        EXPECT_EQ(document["command"], expected["command"]);
        EXPECT_EQ(document["done"], expected["done"]);
        EXPECT_EQ(document["error"], nullptr);
    }
}

}  // namespace
