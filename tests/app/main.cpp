#include <QApplication>

#include "TestRegistry.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return testregistry::runAll(argc, argv);
}
