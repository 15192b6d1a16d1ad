#include "reports/bar_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "reports/html_text.h"

namespace kestrune {

namespace {

constexpr double kWidth = 960;
constexpr double kHeight = 320;
constexpr double kLeft = 76;
constexpr double kRight = 80;
constexpr double kTop = 52;
constexpr double kBottom = 58;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlotHeight = kHeight - kTop - kBottom;
constexpr int kMostTicks = 4;
constexpr char kInk[] = "#1f2933";
constexpr char kHitsFill[] = "#2f5d7c";

std::string Number(double value, int decimals = 2) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text == "-0" ? "0" : text;
}

// The smallest step of 1, 2, 2.5 or 5 times a power of ten with which at most kMostTicks
// steps reach `max`; for counts a whole number, at least 1.
double NiceStep(double max, bool whole) {
  const double raw = whole ? std::max(max / kMostTicks, 1.0) : max / kMostTicks;
  if (!(raw > 0)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double f : {1.0, 2.0, 2.5, 5.0}) {
    const double step = f * power;
    if (whole && step != std::floor(step)) continue;
    if (step >= raw * (1 - 1e-12)) return step;
  }
  return 10 * power;
}

// The number of steps that reach `max` (1 to kMostTicks).
int StepsTo(double max, double step) {
  const int steps = static_cast<int>(std::ceil(max / step * (1 - 1e-12)));
  return std::clamp(steps, 1, kMostTicks);
}

struct Unit {
  const char* name;
  double size;
};

Unit TrafficUnit(double maxBytes) {
  static const Unit kUnits[] = {
      {"B", 1}, {"KB", 1024}, {"MB", 1048576}, {"GB", 1073741824.0}, {"TB", 1099511627776.0}};
  Unit unit = kUnits[0];
  for (const Unit& u : kUnits)
    if (maxBytes >= u.size) unit = u;
  return unit;
}

void Text(std::string& out, double x, double y, const char* anchor, int size, std::string_view text,
          const char* extra = "") {
  out += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor +
         "\" font-size=\"" + std::to_string(size) + "\" fill=\"" + kInk + "\"" + extra + ">";
  AppendHtmlText(out, text);
  out += "</text>";
}

void Rect(std::string& out, const char* cssClass, double x, double y, double w, double h,
          const std::string& fill, std::string_view tooltip) {
  out += "<rect class=\"";
  out += cssClass;
  out += "\" x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(w) +
         "\" height=\"" + Number(h) + "\" fill=\"" + fill + "\" stroke=\"" + kInk +
         "\" stroke-width=\"0.6\"><title>";
  AppendHtmlText(out, tooltip);
  out += "</title></rect>";
}

void Open(std::string& out, const BarChartText& text, double height, const char* cssClass) {
  out += "<svg class=\"";
  out += cssClass;
  out += "\" viewBox=\"0 0 " + Number(kWidth) + " " + Number(height) +
         "\" width=\"100%\" role=\"img\" aria-labelledby=\"";
  AppendHtmlText(out, text.id);
  out += "-title\" data-plot-height=\"" + Number(kPlotHeight) + "\"><title id=\"";
  AppendHtmlText(out, text.id);
  out += "-title\">";
  AppendHtmlText(out, text.title);
  out += "</title>";
  Text(out, kLeft, 24, "start", 16, text.title, " font-weight=\"600\"");
}

}  // namespace

std::string BarChart(const BarChartText& text, const std::vector<BarSlot>& slots) {
  std::string out;
  if (slots.empty()) {
    Open(out, text, 120, "chart empty");
    Text(out, kWidth / 2, 80, "middle", 15, "No data", " class=\"no-data\"");
    out += "</svg>";
    return out;
  }
  double maxHits = 0, maxBytes = 0;
  std::size_t longestLabel = 1;
  for (const BarSlot& s : slots) {
    maxHits = std::max(maxHits, s.hits);
    maxBytes = std::max(maxBytes, s.bytes);
    longestLabel = std::max(longestLabel, s.label.size());
  }
  // Both axes share the grid lines: as many steps as the one that needs more.
  const double hitsStep = NiceStep(maxHits, true);
  const Unit unit = TrafficUnit(maxBytes);
  const double unitStep = NiceStep(maxBytes / unit.size, unit.size == 1);
  const int ticks = std::max(StepsTo(maxHits, hitsStep), StepsTo(maxBytes / unit.size, unitStep));
  const double hitsTop = hitsStep * ticks;
  const double bytesTop = unitStep * ticks * unit.size;
  const int decimals =
      unitStep >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(unitStep) - 1e-9)) + 1;

  out.reserve(4096 + slots.size() * 400);
  Open(out, text, kHeight, "chart");
  const std::string hatch = text.id + "-hatch";
  out += "<defs><pattern id=\"";
  AppendHtmlText(out, hatch);
  out +=
      "\" width=\"5\" height=\"5\" patternUnits=\"userSpaceOnUse\" "
      "patternTransform=\"rotate(45)\"><rect width=\"5\" height=\"5\" fill=\"#d5dee7\"/>"
      "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"5\" stroke=\"#2f5d7c\" stroke-width=\"2\"/>"
      "</pattern></defs>";
  const std::string hatchFill = "url(#" + HtmlText(hatch) + ")";

  // Legend, top right.
  const double legendX = kWidth - kRight - 150;
  Rect(out, "key hits", legendX, 13, 12, 12, kHitsFill, "Hits");
  Text(out, legendX + 18, 24, "start", 13, "Hits");
  Rect(out, "key traffic", legendX + 70, 13, 12, 12, hatchFill, "Traffic");
  Text(out, legendX + 88, 24, "start", 13, "Traffic");

  // Grid lines and both axes' tick labels.
  const double baseline = kTop + kPlotHeight;
  for (int t = 0; t <= ticks; ++t) {
    const double y = baseline - kPlotHeight * t / ticks;
    out += "<line x1=\"" + Number(kLeft) + "\" y1=\"" + Number(y) + "\" x2=\"" +
           Number(kLeft + kPlotWidth) + "\" y2=\"" + Number(y) + "\" stroke=\"" +
           (t == 0 ? std::string(kInk) : std::string("#b4bcc6")) + "\" stroke-width=\"" +
           (t == 0 ? "1" : "0.6") + "\"" + (t == 0 ? "" : " stroke-dasharray=\"3 3\"") + "/>";
    Text(out, kLeft - 8, y + 4, "end", 12, Number(hitsStep * t, 0));
    Text(out, kLeft + kPlotWidth + 8, y + 4, "start", 12, Number(unitStep * t, decimals));
  }
  const double middle = kTop + kPlotHeight / 2;
  Text(out, 0, 0, "middle", 13, "Hits",
       (" transform=\"translate(16 " + Number(middle) + ") rotate(-90)\"").c_str());
  Text(out, 0, 0, "middle", 13, std::string("Traffic (") + unit.name + ")",
       (" transform=\"translate(" + Number(kWidth - 14) + " " + Number(middle) + ") rotate(90)\"")
           .c_str());
  Text(out, kLeft + kPlotWidth / 2, kHeight - 8, "middle", 13, text.axis);

  // The bars, and a label under every slot that has room for one.
  const double slot = kPlotWidth / static_cast<double>(slots.size());
  const double group = std::min(slot * 0.8, 56.0);
  const double bar = group / 2;
  const std::size_t labelEvery = std::max<std::size_t>(
      1, static_cast<std::size_t>(std::ceil((7.0 * static_cast<double>(longestLabel) + 8) / slot)));
  std::string hitsBars, trafficBars, labels;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const BarSlot& s = slots[i];
    const double x = kLeft + slot * static_cast<double>(i) + (slot - group) / 2;
    if (s.hits > 0) {
      const double h = kPlotHeight * s.hits / hitsTop;
      Rect(hitsBars, "hits", x, baseline - h, bar, h, kHitsFill,
           s.name + ": " + Number(s.hits, 0) + (s.hits == 1 ? " hit" : " hits"));
    }
    if (s.bytes > 0) {
      const double h = kPlotHeight * s.bytes / bytesTop;
      Rect(trafficBars, "traffic", x + bar, baseline - h, bar, h, hatchFill,
           s.name + ": " + ByteSize(s.bytes));
    }
    if (i % labelEvery == 0) {
      const double cx = kLeft + slot * (static_cast<double>(i) + 0.5);
      labels += "<line x1=\"" + Number(cx) + "\" y1=\"" + Number(baseline) + "\" x2=\"" +
                Number(cx) + "\" y2=\"" + Number(baseline + 4) + "\" stroke=\"" + kInk + "\"/>";
      Text(labels, cx, baseline + 18, "middle", 12, s.label);
    }
  }
  out += "<g class=\"bars hits\" data-max=\"" + Number(hitsTop, 0) + "\">" + hitsBars + "</g>";
  out +=
      "<g class=\"bars traffic\" data-max=\"" + Number(bytesTop, 0) + "\">" + trafficBars + "</g>";
  out += "<g class=\"labels\">" + labels + "</g></svg>";
  return out;
}

}  // namespace kestrune
