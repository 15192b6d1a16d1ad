#include "reports/template_text.h"

#include <utility>
#include <vector>

#include "util/text.h"

namespace kestrune {

std::string NormaliseLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (!text.empty() && text.back() != '\r' && text.back() != '\n') out += "\r\n";
  return out;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

// A stretch of the document that this call inserted: [start, start + length).
struct Inserted {
  std::size_t start;
  std::size_t length;
};

// Every exact-case occurrence, left to right, in the text as it was before the call.
// Returns the stretches inserted, in the new document's positions.
std::vector<Inserted> ReplaceExact(std::string& document, std::string_view placeholder,
                                   std::string_view value) {
  std::vector<Inserted> inserted;
  std::size_t found = document.find(placeholder);
  if (found == std::string::npos) return inserted;
  std::string out;
  out.reserve(document.size());
  std::size_t pos = 0;
  for (; found != std::string::npos; found = document.find(placeholder, pos)) {
    out.append(document, pos, found - pos);
    inserted.push_back({out.size(), value.size()});
    out.append(value);
    pos = found + placeholder.size();
  }
  out.append(document, pos, std::string::npos);
  document = std::move(out);
  return inserted;
}

bool SameAt(std::string_view document, std::size_t at, std::string_view folded) {
  for (std::size_t k = 0; k < folded.size(); ++k)
    if (FoldByte(static_cast<unsigned char>(document[at + k])) !=
        static_cast<unsigned char>(folded[k]))
      return false;
  return true;
}

// The fallback: while an occurrence in any letter case lies wholly within the first
// characters of the document as it stands, replace the first one. A replacement changes
// nothing before it and the next search skips the inserted value, so one left-to-right
// pass finds the same occurrences as searching again from the start each time; `shift`
// tracks how far the replacements so far have moved the text behind them.
void ReplaceInWindow(std::string& document, std::string_view placeholder, std::string_view value,
                     const std::vector<Inserted>& inserted) {
  std::string folded(placeholder);
  for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  const std::size_t length = placeholder.size();
  const long long growth = static_cast<long long>(value.size()) - static_cast<long long>(length);

  std::vector<std::size_t> hits;  // positions in `document`
  long long shift = 0;
  std::size_t next = 0;  // the first stretch of `inserted` that may still matter
  for (std::size_t at = 0; at + length <= document.size();) {
    if (static_cast<long long>(at + length) + shift >
        static_cast<long long>(kPlaceholderFallbackWindow))
      break;
    while (next < inserted.size() && inserted[next].start + inserted[next].length <= at) ++next;
    if (next < inserted.size() && inserted[next].start < at + length &&
        inserted[next].start + inserted[next].length > at) {
      // Overlaps (or straddles the seam of) inserted text: move past it.
      at = inserted[next].start + inserted[next].length;
      if (inserted[next].length == 0) ++next;
      continue;
    }
    if (SameAt(document, at, folded)) {
      hits.push_back(at);
      shift += growth;
      at += length;
    } else {
      ++at;
    }
  }
  if (hits.empty()) return;
  std::string out;
  out.reserve(document.size() + hits.size() * value.size());
  std::size_t pos = 0;
  for (const std::size_t hit : hits) {
    out.append(document, pos, hit - pos);
    out.append(value);
    pos = hit + length;
  }
  out.append(document, pos, std::string::npos);
  document = std::move(out);
}

}  // namespace

void ReplacePlaceholder(std::string& document, std::string_view name, std::string_view value) {
  std::string placeholder;
  placeholder.reserve(name.size() + 2);
  placeholder.append("%").append(name).append("%");
  const std::vector<Inserted> inserted = ReplaceExact(document, placeholder, value);
  ReplaceInWindow(document, placeholder, value, inserted);
}

}  // namespace kestrune
