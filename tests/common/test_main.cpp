// gtest main for every suite: one QApplication for the whole run.

#include <QApplication>
#include <gtest/gtest.h>

#include <vector>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The suites draw offscreen unless told otherwise; the platform goes in as an
    // argument so programs the tests start keep the real display.
    std::vector<char *> args(argv, argv + argc);
    char platformFlag[] = "-platform";
    char offscreen[] = "offscreen";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        args.push_back(platformFlag);
        args.push_back(offscreen);
    }
    int qtArgc = int(args.size());
    QApplication app(qtArgc, args.data());
    return RUN_ALL_TESTS();
}
