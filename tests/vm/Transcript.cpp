#include "Transcript.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "CheckLog.h"

namespace vmtest {

namespace {

std::string valueOf(const std::string& line, const std::string& key)
{
    const auto at = line.find(" " + key + "=");
    if (at == std::string::npos) return {};
    const auto start = at + key.size() + 2;
    return key == "data" ? line.substr(start) : line.substr(start, line.find(' ', start) - start);
}

std::string describe(const WireReport& r)
{
    return format("%c %s ok=%d at %lld ms", r.Dir, r.Bytes.c_str(), r.Ok ? 1 : 0,
                  static_cast<long long>(r.Ms));
}

}  // namespace

std::vector<WireReport> readUhidWire(const std::string& transcriptPath)
{
    std::vector<WireReport> wire;
    std::ifstream file(transcriptPath);
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::int64_t ms = 0;
        std::string event;
        words >> ms >> event;
        if (event != "GET" && event != "SET") continue;
        wire.push_back({event == "GET" ? 'G' : 'S', valueOf(line, "data"), valueOf(line, "ok") == "1", ms});
    }
    return wire;
}

int countTranscriptEvents(const std::string& transcriptPath, const std::string& word)
{
    std::ifstream file(transcriptPath);
    int count = 0;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::int64_t ms = 0;
        std::string event;
        words >> ms >> event;
        count += event == word;
    }
    return count;
}

std::vector<WireReport> simWire(const std::vector<sim::Transfer>& transcript, const std::string& path)
{
    std::vector<WireReport> wire;
    for (const sim::Transfer& t : transcript) {
        if (t.Path != path) continue;
        const bool read = t.Dir == sim::Transfer::Get;
        wire.push_back({read ? 'G' : 'S', read && !t.Ok ? "-" : hexBytes(t.Bytes.data(), t.Bytes.size()),
                        t.Ok, static_cast<std::int64_t>(t.TimeMs)});
    }
    return wire;
}

std::string firstWireDifference(const std::vector<WireReport>& actual,
                                const std::vector<WireReport>& expected)
{
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const WireReport* a = i < actual.size() ? &actual[i] : nullptr;
        const WireReport* e = i < expected.size() ? &expected[i] : nullptr;
        if (a && e && a->Dir == e->Dir && a->Bytes == e->Bytes && a->Ok == e->Ok) continue;
        return format("report %zu: emulated sensor got %s | sim sensor got %s", i,
                      a ? describe(*a).c_str() : "nothing", e ? describe(*e).c_str() : "nothing");
    }
    return {};
}

std::string firstShortPause(const std::vector<WireReport>& actual, const std::vector<WireReport>& expected)
{
    const std::size_t count = std::min(actual.size(), expected.size());
    for (std::size_t i = 1; i < count; ++i) {
        const std::int64_t got = actual[i].Ms - actual[i - 1].Ms;
        const std::int64_t want = expected[i].Ms - expected[i - 1].Ms;
        // The emulated sensor counts whole milliseconds, so a pause may show one short.
        if (got < want - 1)
            return format("before report %zu: %lld ms on the emulated sensor, %lld ms on the sim", i,
                          static_cast<long long>(got), static_cast<long long>(want));
    }
    return {};
}

}  // namespace vmtest
