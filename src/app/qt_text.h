// Conversions between the program's 8-bit texts (std::string in the system's code page,
// UTF-8 here) and Qt's strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kestrune {

inline QString ToQString(std::string_view text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

// A message as a dialog shows it: CR LF pairs (and lone CRs) become line feeds.
inline QString ToDisplayText(std::string_view text) {
  QString s = ToQString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

}  // namespace kestrune
