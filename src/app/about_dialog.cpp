#include "app/about_dialog.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

// Stringised so that a definition left empty (a version without its tweak part) still
// compiles and reads as missing.
#define KESTRUNE_STR2(x) #x
#define KESTRUNE_STR(x) KESTRUNE_STR2(x)

namespace kestrune {
namespace {

#if defined(KESTRUNE_VERSION_MAJOR) && defined(KESTRUNE_VERSION_MINOR) && \
    defined(KESTRUNE_VERSION_PATCH) && defined(KESTRUNE_VERSION_TWEAK)
constexpr std::string_view kMajor = KESTRUNE_STR(KESTRUNE_VERSION_MAJOR);
constexpr std::string_view kMinor = KESTRUNE_STR(KESTRUNE_VERSION_MINOR);
constexpr std::string_view kPatch = KESTRUNE_STR(KESTRUNE_VERSION_PATCH);
constexpr std::string_view kTweak = KESTRUNE_STR(KESTRUNE_VERSION_TWEAK);
#else
constexpr std::string_view kMajor, kMinor, kPatch, kTweak;
#endif

bool IsNumber(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string VersionLine(std::string_view major, std::string_view minor, std::string_view patch,
                        std::string_view tweak) {
  if (!IsNumber(major) || !IsNumber(minor) || !IsNumber(patch) || !IsNumber(tweak)) {
    return "Version v1.00";
  }
  std::string line = "Version ";
  line += major;
  line += '.';
  line += minor;
  line += patch;
  line += '.';
  line += tweak;
  return line;
}

std::string VersionLine() {
  return VersionLine(kMajor, kMinor, kPatch, kTweak);
}

TfrmAbout::TfrmAbout(QWidget* parent) : TfrmAbout(Launcher(), parent) {}

TfrmAbout::TfrmAbout(Launcher launcher, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      launcher_(std::move(launcher)) {
  setObjectName("frmAbout");
  setWindowTitle("About");

  lblProductName = new QLabel("Kestrune", this);
  lblProductName->setObjectName("lblProductName");
  QFont big = lblProductName->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  lblProductName->setFont(big);
  lblProductName->setAlignment(Qt::AlignCenter);

  lblVersion = new QLabel(QString::fromStdString(VersionLine()), this);
  lblVersion->setObjectName("lblVersion");
  lblVersion->setAlignment(Qt::AlignCenter);

  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnWebPage = new QPushButton("Web page", this);
  btnWebPage->setObjectName("btnWebPage");
  btnVantorel = new QPushButton("Vantorel", this);
  btnVantorel->setObjectName("btnVantorel");
  connect(btnOK, &QPushButton::clicked, this, &TfrmAbout::btnOKClick);
  connect(btnWebPage, &QPushButton::clicked, this, &TfrmAbout::btnWebPageClick);
  connect(btnVantorel, &QPushButton::clicked, this, &TfrmAbout::btnVantorelClick);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnWebPage);
  buttons->addWidget(btnVantorel);
  buttons->addStretch();
  buttons->addWidget(btnOK);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblProductName);
  layout->addWidget(lblVersion);
  layout->addSpacing(12);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::btnOKClick() {
  accept();
}

void TfrmAbout::btnWebPageClick() {
  launcher_.OpenDocument(kProductPageUrl);
}

void TfrmAbout::btnVantorelClick() {
  launcher_.OpenDocument(kMakerPageUrl);
}

}  // namespace kestrune
