// SPDX-License-Identifier: MIT
#include "window/appearance.h"

#include <QApplication>
#include <QFont>
#include <QProxyStyle>
#include <QStyleFactory>

namespace kestrin::window {
namespace {

constexpr qreal kPointSize = 7.0;
// Fusion puts 6 pixels between an option button's circle and its caption; at 4 the longest
// option caption fits its fixed width.
constexpr int kOptionLabelSpacing = 4;

class KestrinStyle final : public QProxyStyle {
public:
    KestrinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_RadioButtonLabelSpacing) {
            return kOptionLabelSpacing;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

void applyAppearance(QApplication& app) {
    app.setStyle(new KestrinStyle);  // the application takes ownership
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(kPointSize);
    app.setFont(font);
}

}  // namespace kestrin::window
