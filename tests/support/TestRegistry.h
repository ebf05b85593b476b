#pragma once

// Self-registration of Qt Test classes, so that several test files share one
// test program without a common list to edit. In a test file:
//
//     class KeyListTest : public QObject { Q_OBJECT ... };
//     TOLVANE_REGISTER_TEST(KeyListTest)
//     #include "KeyListTest.moc"
//
// The program's main runs every registered class (or only the one named by
// its first argument) and fails when any of them fails.

#include <QObject>
#include <functional>
#include <memory>

namespace testregistry {

using Factory = std::function<std::unique_ptr<QObject>()>;

// Returns true so that registration can initialise a namespace-scope constant.
bool add(const char* className, Factory factory);

// Runs the registered classes in name order with QTest::qExec. With a first
// argument that names a registered class only that class runs, with the
// remaining arguments. Returns 0 when every class passed, 1 otherwise.
int runAll(int argc, char** argv);

}  // namespace testregistry

#define TOLVANE_REGISTER_TEST(Class)                                                     \
    namespace {                                                                          \
    const bool registered##Class =                                                       \
        ::testregistry::add(#Class, [] { return std::unique_ptr<QObject>(new Class); }); \
    }
