#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include "TestRegistry.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Windows remember their places in a settings file of the tests' own,
    // empty at the start of every run.
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("tolvane"), QStringLiteral("tolvane")).clear();
    return testregistry::runAll(argc, argv);
}
