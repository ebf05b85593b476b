#include "TestRegistry.h"

#include <QTest>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace testregistry {
namespace {

std::map<std::string, Factory>& registry()
{
    static std::map<std::string, Factory> classes;
    return classes;
}

int runOne(const Factory& factory, int argc, char** argv)
{
    const std::unique_ptr<QObject> test = factory();
    return QTest::qExec(test.get(), argc, argv);
}

}  // namespace

bool add(const char* className, Factory factory)
{
    registry().emplace(className, std::move(factory));
    return true;
}

int runAll(int argc, char** argv)
{
    if (argc > 1) {
        const auto named = registry().find(argv[1]);
        if (named != registry().end()) {
            std::vector<char*> rest{argv[0]};
            rest.insert(rest.end(), argv + 2, argv + argc);
            return runOne(named->second, static_cast<int>(rest.size()), rest.data()) == 0 ? 0 : 1;
        }
    }
    bool allPassed = true;
    for (const auto& [name, factory] : registry()) {
        if (runOne(factory, argc, argv) != 0) allPassed = false;
    }
    return allPassed ? 0 : 1;
}

}  // namespace testregistry
