// Runs every test class registered in this program.

#include <QApplication>

#include "TestRegistry.h"

int main(int argc, char** argv)
{
    // The pages are tested off screen, also when the program is run by hand.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return testregistry::runAll(argc, argv);
}
