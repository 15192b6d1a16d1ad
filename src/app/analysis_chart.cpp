#include "app/analysis_chart.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace kestrune {

AnalysisChart::AnalysisChart(QWidget* parent) : QWidget(parent) {
  setMinimumHeight(120);
}

void AnalysisChart::SetData(ChartData data) {
  data_ = std::move(data);
  update();
}

void AnalysisChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const QFontMetrics metrics(font());
  const int line = metrics.height();
  const std::size_t n = data_.labels.size();
  if (n == 0) {
    p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    p.drawText(rect(), Qt::AlignCenter, tr("No data for the chart"));
    return;
  }
  double maximum = 0;
  for (double v : data_.bars) maximum = std::max(maximum, v);
  for (double v : data_.line) maximum = std::max(maximum, v);
  if (maximum <= 0) maximum = 1;

  const QString top = QString::number(maximum, 'f', 0);
  const int left = metrics.horizontalAdvance(top) + 8;
  const QRect plot(left, line + 6, width() - left - 8, height() - 3 * line - 12);
  if (plot.width() < 10 || plot.height() < 10) return;

  const QColor barColor(70, 130, 180), lineColor(200, 80, 40);
  // Legend.
  p.setPen(palette().color(QPalette::Text));
  p.fillRect(QRect(left, 3, 10, line - 4), barColor);
  p.drawText(QPoint(left + 14, line - 2), data_.barsName);
  const int second = left + 24 + metrics.horizontalAdvance(data_.barsName);
  p.setPen(QPen(lineColor, 2));
  p.drawLine(second, line / 2, second + 10, line / 2);
  p.setPen(palette().color(QPalette::Text));
  p.drawText(QPoint(second + 14, line - 2), data_.lineName);

  // Axes.
  p.drawLine(plot.bottomLeft(), plot.bottomRight());
  p.drawLine(plot.bottomLeft(), plot.topLeft());
  p.drawText(QRect(0, plot.top() - line / 2, left - 4, line), Qt::AlignRight, top);
  p.drawText(QRect(0, plot.bottom() - line / 2, left - 4, line), Qt::AlignRight,
             QStringLiteral("0"));

  const double slot = static_cast<double>(plot.width()) / static_cast<double>(n);
  auto yOf = [&](double v) { return plot.bottom() - v / maximum * plot.height(); };
  for (std::size_t i = 0; i < n && i < data_.bars.size(); ++i) {
    const double x = plot.left() + slot * static_cast<double>(i);
    const QRectF bar(x + slot * 0.15, yOf(data_.bars[i]), std::max(1.0, slot * 0.7),
                     plot.bottom() - yOf(data_.bars[i]));
    p.fillRect(bar, barColor);
  }
  if (!data_.line.empty()) {
    QPainterPath path;
    for (std::size_t i = 0; i < n && i < data_.line.size(); ++i) {
      const QPointF point(plot.left() + slot * (static_cast<double>(i) + 0.5), yOf(data_.line[i]));
      if (i == 0)
        path.moveTo(point);
      else
        path.lineTo(point);
    }
    p.setPen(QPen(lineColor, 2));
    p.drawPath(path);
  }

  // Labels under the axis, as many as fit.
  p.setPen(palette().color(QPalette::Text));
  const int labelWidth =
      std::max(metrics.horizontalAdvance(QStringLiteral("0000-00-00")) + 8, static_cast<int>(slot));
  const std::size_t step =
      std::max<std::size_t>(1, static_cast<std::size_t>(labelWidth / std::max(slot, 1.0)) + 1);
  for (std::size_t i = 0; i < n; i += step) {
    const int x = plot.left() + static_cast<int>(slot * static_cast<double>(i));
    const int w = static_cast<int>(slot * static_cast<double>(step)) - 2;
    const QString text = metrics.elidedText(data_.labels[i], Qt::ElideRight, std::max(w, 8));
    p.drawText(QRect(x, plot.bottom() + 3, std::max(w, 8), line), Qt::AlignLeft, text);
  }
}

}  // namespace kestrune
