// SPDX-License-Identifier: MIT
// Entry point of the widget tests: one QApplication with the program's own look.
#include <gtest/gtest.h>

#include <QApplication>

#include "window/appearance.h"

int main(int argc, char** argv) {
#ifndef Q_OS_WIN
    // Test discovery starts this program too; without a display it must still come up. On
    // Windows the widgets draw through the system itself, as the program does.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
#ifdef KESTRIN_TEST_SCALE_FACTOR
    // A test program for high-resolution screens: Qt reads the factor when the application starts.
    qputenv("QT_SCALE_FACTOR", KESTRIN_TEST_SCALE_FACTOR);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    kestrin::window::applyAppearance(app);
    return RUN_ALL_TESTS();
}
