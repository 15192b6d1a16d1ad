// StatsPanel: the group box grpStats in the lower half of the main window. Its labels
// show the totals of the statistics object in the forms of PanelTexts: the period line,
// then the groups grpHits, grpTraffic and grpLists. Every caption and value is bold;
// values are right-aligned. The panel keeps no state beyond the texts last shown.
#pragma once

#include <QGroupBox>

#include "reports/panel_texts.h"

class QLabel;

namespace kestrune {

class StatsPanel : public QGroupBox {
 public:
  explicit StatsPanel(QWidget* parent);

  // Sets every value label, then the tooltips of ebDownloadTraffic and ebTraffic.
  void Show(const PanelTexts& texts);

 private:
  QLabel *ebFrom_, *ebTo_;
  QLabel *ebEntries_, *ebAllowedEntries_, *ebIgnoredEntries_, *ebComments_, *ebIgnoredExt_,
      *ebIgnoredUsers_, *ebPageHits_, *ebPageHEAD_, *ebPageGET_, *ebPagePOST_, *ebPageOPTIONS_,
      *ebPageUNKNOWN_;
  QLabel *ebTraffic_, *ebTrafficKb_, *ebTrafficMb_, *ebDownloads_, *ebDownloadTraffic_,
      *ebDownloadTrafficKb_, *ebDownloadTrafficMb_;
  QLabel *ebUsers_, *ebKnownUsers_, *ebNewUsers_, *ebReferers_, *ebKnownReferers_, *ebNewReferers_,
      *ebErrors_, *ebError404_, *ebError30x_, *ebOtherErrors_;
};

}  // namespace kestrune
