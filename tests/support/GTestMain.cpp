#include <QCoreApplication>
#include <gtest/gtest.h>

// Logic tests run inside a QCoreApplication so that Qt's event-driven classes work.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
