// SPDX-License-Identifier: MIT
// The window on a screen scaled by 1.5, as a high-resolution display shows it. This program's
// main sets QT_SCALE_FACTOR=1.5 before the application starts, and CTest runs it on a virtual X
// display, so that the grab is what the display server holds rather than a rendering of Qt's.

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <set>

#include "caption_fit.h"
#include "fake_watch.h"
#include "window/main_window.h"

namespace {

constexpr qreal kScale = 1.5;

class HighDpi : public ::testing::Test, protected kestrin::testing::FakeSystem {
protected:
    void SetUp() override {
        ASSERT_EQ(qgetenv("QT_SCALE_FACTOR"), "1.5") << "built with KESTRIN_TEST_SCALE_FACTOR";
        folder.names["*.qb"] = {"intro.qb", "Level.qb"};
    }
};

TEST_F(HighDpi, TheWindowIsPaintedAtOneAndAHalfTimesItsLogicalSizeAndEveryCaptionFits) {
    kestrin::window::MainWindow window(dependencies());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(window.devicePixelRatio(), kScale);
    EXPECT_EQ(window.size(), QSize(353, 382)) << "the layout stays in logical pixels";

    // What the display holds for the window, in device pixels; half pixels round either way.
    const QImage grabbed = window.screen()->grabWindow(window.winId()).toImage();
    EXPECT_NEAR(grabbed.width(), window.width() * kScale, 0.5);
    EXPECT_NEAR(grabbed.height(), window.height() * kScale, 0.5);

    // Painted, not blank: the list's white, the frames' grey and dark caption text all appear.
    std::set<QRgb> colours;
    for (int y = 0; y < grabbed.height(); y += 3) {
        for (int x = 0; x < grabbed.width(); x += 3) {
            colours.insert(grabbed.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 8u);
    kestrin::testing::expectEveryCaptionFits(window);
}

}  // namespace
