// Runs every test class registered in this program.

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include "TestRegistry.h"

int main(int argc, char** argv)
{
    // The pages are tested off screen, also when the program is run by hand.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Windows remember their places in a settings file of the tests' own,
    // empty at the start of every run.
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("tolvane"), QStringLiteral("tolvane")).clear();
    return testregistry::runAll(argc, argv);
}
