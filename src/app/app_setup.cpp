#include "app/app_setup.h"

#include <QApplication>
#include <QFont>
#include <QProxyStyle>
#include <QStyleFactory>

namespace kestrune {

namespace {

// The "Windows" style with narrower tab padding, so that the eight tabs of the settings
// pages fit side by side in the page control's 429 pixels.
class KestruneStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return 12;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

void ConfigureApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Kestrune"));
  QApplication::setOrganizationName(QStringLiteral("Vantorel"));
  if (QStyle* windows = QStyleFactory::create(QStringLiteral("Windows")))
    app.setStyle(new KestruneStyle(windows));
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSize(8);
  QApplication::setFont(font);
}

}  // namespace kestrune
