// SPDX-License-Identifier: MIT
// Entry point of the widget tests: one QApplication with the program's own look.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "window/appearance.h"

int main(int argc, char** argv) {
    // Test discovery starts this program too; without a display it must still come up.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef KESTRIN_TEST_SCALE_FACTOR
    // A test program for high-resolution screens: Qt reads the factor when the application starts.
    setenv("QT_SCALE_FACTOR", KESTRIN_TEST_SCALE_FACTOR, 1);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    kestrin::window::applyAppearance(app);
    return RUN_ALL_TESTS();
}
