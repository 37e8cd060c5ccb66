#include <QCoreApplication>

#include <gtest/gtest.h>

// The bank library's tests need no windows: a core application object, and nothing of the GUI
// linked, which shows the library stands without it.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
