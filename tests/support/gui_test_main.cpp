#include "screens/look.h"

#include <QApplication>

#include <gtest/gtest.h>

// Every test executable gets an application object, so windows and pictures can be made.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    applyProgramLook(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
