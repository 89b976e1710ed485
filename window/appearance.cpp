// SPDX-License-Identifier: MIT
#include "window/appearance.h"

#include <QApplication>
#include <QFont>
#include <QProxyStyle>
#include <QStyleFactory>

namespace kestrin::window {
namespace {

#ifdef Q_OS_WIN
// Windows' own look. The layout was drawn for MS Sans Serif 8 pt, whose caption of Label2 fills
// 224 of its 225 pixels; Qt draws that bitmap font only at 10 pt, too wide. Tahoma, the dialog
// font since Windows 2000 and a TrueType one that scales with the screen, comes with every
// Windows (and with wine, for the tests); at 7 pt every caption fits, at 8 pt two do not.
constexpr const char* kStyleName = "windowsvista";
constexpr const char* kFamily = "Tahoma";
#else
constexpr const char* kStyleName = "Fusion";
constexpr const char* kFamily = "DejaVu Sans";
#endif
constexpr qreal kPointSize = 7.0;
// Fusion puts 6 pixels between an option button's circle and its caption; at 4 the longest
// option caption fits its fixed width.
constexpr int kOptionLabelSpacing = 4;

class KestrinStyle final : public QProxyStyle {
public:
    KestrinStyle() : QProxyStyle(QStyleFactory::create(QString::fromLatin1(kStyleName))) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        return metric == PM_RadioButtonLabelSpacing
                   ? kOptionLabelSpacing
                   : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

void applyAppearance(QApplication& app) {
    app.setStyle(new KestrinStyle);  // the application takes ownership
    QFont font(QString::fromLatin1(kFamily));
    font.setPointSizeF(kPointSize);
#ifdef Q_OS_WIN
    // Smoothed at this small size, as ClearType shows it; unsmoothed, wine's Tahoma loses strokes.
    font.setStyleStrategy(QFont::PreferAntialias);
#endif
    app.setFont(font);
}

}  // namespace kestrin::window
