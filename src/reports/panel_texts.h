// PanelTexts: the texts that the statistics panel shows for the model, in the number
// forms that the reports write too (unsigned decimal, byte form, dd-mmm-yyyy).
#pragma once

#include <string>

#include "stats/import_stats.h"

namespace kestrune {

struct PanelTexts {
  std::string ebEntries, ebAllowedEntries, ebIgnoredEntries, ebComments, ebIgnoredUsers,
      ebIgnoredExt;
  std::string ebPageHits, ebPageHEAD, ebPageGET, ebPagePOST, ebPageOPTIONS, ebPageUNKNOWN;
  std::string ebUsers, ebKnownUsers, ebNewUsers;
  std::string ebDownloads, ebDownloadTraffic, ebDownloadTrafficKb, ebDownloadTrafficMb;
  std::string ebReferers, ebKnownReferers, ebNewReferers;
  std::string ebErrors, ebError404, ebError30x, ebOtherErrors;
  std::string ebTraffic, ebTrafficKb, ebTrafficMb;
  std::string ebFrom, ebTo;
  // Tooltips of the two byte labels: kilobytes + " Kb / " + megabytes + " Mb".
  std::string ebDownloadTrafficHint, ebTrafficHint;
};

// The byte form: the sum truncated toward zero to a 64-bit integer, in decimal digits.
std::string ByteForm(double bytes);

// The date form: "dd-mmm-yyyy", today's date when `value` is 0.
std::string PanelDate(TDateTime value);

// Every panel text for the model as it stands now.
PanelTexts MakePanelTexts(const clsImportStats& stats);

// The import settings of the window that the reports write.
struct ReportSettings {
  std::string path;      // the text of cbPath
  bool iis = true;       // rbIIS checked
  bool moved = false;    // cbMoveToProcessed
  bool addToDb = false;  // cbAddToDb
};

}  // namespace kestrune
