// AnalysisChart: the chart of the analysis window, painted with QPainter: two series of
// values over labelled points, the first as bars and the second as a line on the same
// scale (hits and visitors per day for the database, hits and visits of the top
// entries for the current statistics). Labels are drawn as plain text, elided to fit.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace kestrune {

struct ChartData {
  QString barsName, lineName;
  std::vector<QString> labels;
  std::vector<double> bars;
  std::vector<double> line;
};

class AnalysisChart : public QWidget {
  Q_OBJECT

 public:
  explicit AnalysisChart(QWidget* parent = nullptr);
  void SetData(ChartData data);
  const ChartData& Data() const { return data_; }
  QSize sizeHint() const override { return QSize(640, 200); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ChartData data_;
};

}  // namespace kestrune
