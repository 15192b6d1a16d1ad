// A bar chart as inline SVG for the HTML report: one slot per label, each with a bar for
// its hits and a hatched bar for its traffic (outlined, so that it reads in black and
// white), hits on the left axis and traffic on the right, a title, axis titles and a
// legend. The picture scales to the width of the page (viewBox, width 100%) and uses no
// script, file, font or address. A value of 0 draws no bar; with no slots at all the
// chart says "No data" instead of drawing axes.
//
// For tests and styling: the SVG carries class "chart" and data-plot-height; each series
// is a <g class="bars hits"> or <g class="bars traffic"> whose data-max gives the value
// at the top of its axis, so a bar's height is value / data-max * data-plot-height.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

struct BarSlot {
  std::string label;  // on the axis (the chart shows as many as fit)
  std::string name;   // in the bars' tooltips
  double hits = 0;
  double bytes = 0;
};

struct BarChartText {
  std::string title;
  std::string axis;  // the title of the horizontal axis
  std::string id;    // prefix of the SVG's element ids, unique on the page
};

std::string BarChart(const BarChartText& text, const std::vector<BarSlot>& slots);

}  // namespace kestrune
