// The refresh of the statistics panel and File > Clear.
#include <QCoreApplication>

#include "app/import_window.h"
#include "app/stats_panel.h"

namespace kestrune {

namespace {
// The readers call ShowStats for every line; the clock is read every 64th call and the
// panel redrawn when 50 ms have passed since the last redraw (at most 20 a second).
constexpr unsigned kCallsPerClockCheck = 64;
constexpr auto kRefreshInterval = std::chrono::milliseconds(50);
}  // namespace

void TfrmImport::ShowStats() {
  if (++statsCalls_ % kCallsPerClockCheck != 0) return;
  if (std::chrono::steady_clock::now() - lastRefresh_ < kRefreshInterval) return;
  ShowStatsNow();
}

PanelTexts TfrmImport::ShowStatsNow() {
  lastRefresh_ = std::chrono::steady_clock::now();
  ApplyProgress();
  PanelTexts texts = MakePanelTexts(*stats_);
  grpStats->Show(texts);
  repaint();
  QCoreApplication::processEvents();
  return texts;
}

void TfrmImport::mnClearClick() {
  stats_->Clear();
  ShowStatsNow();
}

}  // namespace kestrune
