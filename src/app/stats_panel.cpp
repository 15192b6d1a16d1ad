#include "app/stats_panel.h"

#include <QLabel>

#include "app/qt_text.h"

namespace kestrune {

namespace {

constexpr int kLabelHeight = 15;
constexpr int kCaptionWidth = 60;
constexpr int kValueWidth = 64;  // ten digits: the largest counter
constexpr int kColumnPitch = 128;
constexpr int kFirstColumn = 8;

// Texts the value labels show before the first refresh.
const char* const kDesignCount = "000000";
const char* const kDesignBytes = "0000000000";

QLabel* Caption(QWidget* parent, const char* text, int x, int y, int w) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setGeometry(x, y, w, kLabelHeight);
  return label;
}

QLabel* Value(QWidget* parent, const char* name, int x, int y, int w,
              const char* design = kDesignCount) {
  auto* label = new QLabel(QString::fromLatin1(design), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setGeometry(x, y, w, kLabelHeight);
  return label;
}

// A caption and its value in column `col` (0..3) of a grid group.
QLabel* Cell(QWidget* group, int col, int y, const char* caption, const char* name) {
  const int x = kFirstColumn + col * kColumnPitch;
  Caption(group, caption, x, y, kCaptionWidth);
  return Value(group, name, x + kCaptionWidth, y, kValueWidth);
}

QGroupBox* Group(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* group = new QGroupBox(parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setGeometry(x, y, w, h);
  return group;
}

}  // namespace

StatsPanel::StatsPanel(QWidget* parent) : QGroupBox(parent) {
  setObjectName(QStringLiteral("grpStats"));
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);

  // The period line.
  Caption(this, "Period", 14, 12, 44);
  ebFrom_ = Value(this, "ebFrom", 58, 12, 80);
  Caption(this, "To", 152, 12, 20);
  ebTo_ = Value(this, "ebTo", 168, 12, 80);

  QGroupBox* hits = Group(this, "grpHits", 8, 28, 520, 81);
  ebEntries_ = Cell(hits, 0, 12, "Entries", "ebEntries");
  ebAllowedEntries_ = Cell(hits, 1, 12, "Allowed", "ebAllowedEntries");
  ebIgnoredEntries_ = Cell(hits, 0, 28, "Ignored", "ebIgnoredEntries");
  ebComments_ = Cell(hits, 1, 28, "Comments", "ebComments");
  ebIgnoredExt_ = Cell(hits, 2, 28, "Extension", "ebIgnoredExt");
  ebIgnoredUsers_ = Cell(hits, 3, 28, "Users / IP", "ebIgnoredUsers");
  ebPageHits_ = Cell(hits, 0, 44, "Page hits", "ebPageHits");
  ebPageHEAD_ = Cell(hits, 1, 44, "HEAD", "ebPageHEAD");
  ebPageGET_ = Cell(hits, 2, 44, "GET", "ebPageGET");
  ebPagePOST_ = Cell(hits, 1, 60, "POST", "ebPagePOST");
  ebPageOPTIONS_ = Cell(hits, 2, 60, "OPTIONS", "ebPageOPTIONS");
  ebPageUNKNOWN_ = Cell(hits, 3, 60, "Unknown", "ebPageUNKNOWN");

  // Traffic: caption, download count, then bytes, kilobytes and megabytes with units.
  QGroupBox* traffic = Group(this, "grpTraffic", 8, 112, 520, 57);
  const int countX = kFirstColumn + kCaptionWidth;
  for (int row = 0; row < 2; ++row) {
    const int y = row == 0 ? 12 : 32;
    Caption(traffic, row == 0 ? "Traffic" : "Downloads", kFirstColumn, y, kCaptionWidth);
    QLabel* bytes =
        Value(traffic, row == 0 ? "ebTraffic" : "ebDownloadTraffic", 136, y, 110, kDesignBytes);
    Caption(traffic, "Bytes", 250, y, 34);
    QLabel* kb =
        Value(traffic, row == 0 ? "ebTrafficKb" : "ebDownloadTrafficKb", 286, y, 96, kDesignBytes);
    Caption(traffic, "Kb", 386, y, 18);
    QLabel* mb =
        Value(traffic, row == 0 ? "ebTrafficMb" : "ebDownloadTrafficMb", 406, y, 84, kDesignBytes);
    Caption(traffic, "Mb", 494, y, 22);
    if (row == 0) {
      ebTraffic_ = bytes, ebTrafficKb_ = kb, ebTrafficMb_ = mb;
    } else {
      ebDownloadTraffic_ = bytes, ebDownloadTrafficKb_ = kb, ebDownloadTrafficMb_ = mb;
    }
  }
  ebDownloads_ = Value(traffic, "ebDownloads", countX, 32, kValueWidth);

  QGroupBox* lists = Group(this, "grpLists", 8, 176, 520, 65);
  ebUsers_ = Cell(lists, 0, 12, "Users", "ebUsers");
  ebKnownUsers_ = Cell(lists, 1, 12, "Repeat rq", "ebKnownUsers");
  ebNewUsers_ = Cell(lists, 2, 12, "New", "ebNewUsers");
  ebReferers_ = Cell(lists, 0, 28, "Referers", "ebReferers");
  ebKnownReferers_ = Cell(lists, 1, 28, "Repeat rq", "ebKnownReferers");
  ebNewReferers_ = Cell(lists, 2, 28, "New", "ebNewReferers");
  ebErrors_ = Cell(lists, 0, 44, "Errors", "ebErrors");
  ebError404_ = Cell(lists, 1, 44, "PNF (404)", "ebError404");
  ebError30x_ = Cell(lists, 2, 44, "Error 3xx", "ebError30x");
  ebOtherErrors_ = Cell(lists, 3, 44, "Other", "ebOtherErrors");
}

void StatsPanel::Show(const PanelTexts& t) {
  const auto set = [](QLabel* label, const std::string& text) {
    const QString q = ToQString(text);
    if (label->text() != q) label->setText(q);
  };
  set(ebEntries_, t.ebEntries);
  set(ebAllowedEntries_, t.ebAllowedEntries);
  set(ebIgnoredEntries_, t.ebIgnoredEntries);
  set(ebComments_, t.ebComments);
  set(ebIgnoredUsers_, t.ebIgnoredUsers);
  set(ebIgnoredExt_, t.ebIgnoredExt);
  set(ebPageHits_, t.ebPageHits);
  set(ebPageHEAD_, t.ebPageHEAD);
  set(ebPageGET_, t.ebPageGET);
  set(ebPagePOST_, t.ebPagePOST);
  set(ebPageOPTIONS_, t.ebPageOPTIONS);
  set(ebPageUNKNOWN_, t.ebPageUNKNOWN);
  set(ebUsers_, t.ebUsers);
  set(ebKnownUsers_, t.ebKnownUsers);
  set(ebNewUsers_, t.ebNewUsers);
  set(ebDownloads_, t.ebDownloads);
  set(ebDownloadTraffic_, t.ebDownloadTraffic);
  set(ebDownloadTrafficKb_, t.ebDownloadTrafficKb);
  set(ebDownloadTrafficMb_, t.ebDownloadTrafficMb);
  ebDownloadTraffic_->setToolTip(ToQString(t.ebDownloadTrafficHint));
  set(ebReferers_, t.ebReferers);
  set(ebKnownReferers_, t.ebKnownReferers);
  set(ebNewReferers_, t.ebNewReferers);
  set(ebErrors_, t.ebErrors);
  set(ebError404_, t.ebError404);
  set(ebError30x_, t.ebError30x);
  set(ebOtherErrors_, t.ebOtherErrors);
  set(ebTraffic_, t.ebTraffic);
  set(ebTrafficKb_, t.ebTrafficKb);
  set(ebTrafficMb_, t.ebTrafficMb);
  ebTraffic_->setToolTip(ToQString(t.ebTrafficHint));
  set(ebFrom_, t.ebFrom);
  set(ebTo_, t.ebTo);
}

}  // namespace kestrune
