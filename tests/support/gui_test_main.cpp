#include "screens/look.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Every test executable gets an application object, so windows and pictures can be made.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    applyProgramLook(app);
    // Dates read as on the exam centre's Russian system, whatever this machine's locale.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
