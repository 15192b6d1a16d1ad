#include "reports/template_text.h"

#include <algorithm>
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

const char* HtmlEntity(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return nullptr;
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (const char* entity = HtmlEntity(c))
      out += entity;
    else
      out += c;
  }
  return out;
}

namespace {

using Stretch = FilledTemplate::Stretch;

// Whether [at, at + length) lies in or reaches into a stretch of `skip` (sorted), with
// `next` the first stretch that may still matter for positions from `at` on. A stretch
// of no length counts when it lies strictly inside: the occurrence then spans a seam.
bool Overlaps(const std::vector<Stretch>& skip, std::size_t& next, std::size_t at,
              std::size_t length) {
  while (next < skip.size() && skip[next].start + skip[next].length <= at) ++next;
  return next < skip.size() && skip[next].start < at + length &&
         skip[next].start + skip[next].length > at;
}

// Every exact-case occurrence, left to right, that does not overlap `skip`. Returns their
// positions in the document as it was.
std::vector<std::size_t> ReplaceExact(std::string& document, std::string_view placeholder,
                                      std::string_view value, const std::vector<Stretch>& skip) {
  std::vector<std::size_t> hits;
  std::size_t next = 0;
  for (std::size_t found = document.find(placeholder); found != std::string::npos;) {
    if (Overlaps(skip, next, found, placeholder.size())) {
      found = document.find(placeholder, found + 1);
    } else {
      hits.push_back(found);
      found = document.find(placeholder, found + placeholder.size());
    }
  }
  if (hits.empty()) return hits;
  std::string out;
  out.reserve(document.size() + hits.size() * value.size());
  std::size_t pos = 0;
  for (const std::size_t hit : hits) {
    out.append(document, pos, hit - pos);
    out.append(value);
    pos = hit + placeholder.size();
  }
  out.append(document, pos, std::string::npos);
  document = std::move(out);
  return hits;
}

bool SameAt(std::string_view document, std::size_t at, std::string_view folded) {
  for (std::size_t k = 0; k < folded.size(); ++k)
    if (FoldByte(static_cast<unsigned char>(document[at + k])) !=
        static_cast<unsigned char>(folded[k]))
      return false;
  return true;
}

// The fallback: while an occurrence in any letter case that does not overlap `skip` lies
// wholly within the first characters of the document as it stands, replace the first
// one. A replacement changes nothing before it and the next search skips the inserted
// value, so one left-to-right pass finds the same occurrences as searching again from the
// start each time; `shift` tracks how far the replacements so far have moved the text
// behind them. Returns the positions replaced, in the document as it was.
std::vector<std::size_t> ReplaceInWindow(std::string& document, std::string_view placeholder,
                                         std::string_view value, const std::vector<Stretch>& skip) {
  std::string folded(placeholder);
  for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  const std::size_t length = placeholder.size();
  const long long growth = static_cast<long long>(value.size()) - static_cast<long long>(length);

  std::vector<std::size_t> hits;
  long long shift = 0;
  std::size_t next = 0;
  for (std::size_t at = 0; at + length <= document.size();) {
    if (static_cast<long long>(at + length) + shift >
        static_cast<long long>(kPlaceholderFallbackWindow))
      break;
    if (Overlaps(skip, next, at, length)) {
      // Overlaps (or straddles the seam of) inserted text: move past it.
      at = skip[next].start + skip[next].length;
      if (skip[next].length == 0) ++next;
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
  if (hits.empty()) return hits;
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
  return hits;
}

// The stretches of the values that replaced `hits` (positions of the old document, each
// `length` long) by a value of `valueLength`, in the new document.
std::vector<Stretch> ValueStretches(const std::vector<std::size_t>& hits, std::size_t length,
                                    std::size_t valueLength) {
  std::vector<Stretch> values;
  values.reserve(hits.size());
  for (std::size_t j = 0; j < hits.size(); ++j)
    values.push_back({hits[j] + j * valueLength - j * length, valueLength});
  return values;
}

// `tracked` moved to the positions of the new document, joined with the new values. An
// end of a stretch that lay inside a replaced occurrence moves to that value's edge.
std::vector<Stretch> Remap(const std::vector<Stretch>& tracked,
                           const std::vector<std::size_t>& hits, std::size_t length,
                           std::size_t valueLength) {
  std::vector<Stretch> all = ValueStretches(hits, length, valueLength);
  const auto moved = [&](std::size_t x, bool isEnd) {
    // The occurrences that end at or before x.
    const std::size_t k = static_cast<std::size_t>(
        std::partition_point(hits.begin(), hits.end(),
                             [&](std::size_t h) { return h + length <= x; }) -
        hits.begin());
    const std::size_t base = x + k * valueLength - k * length;
    if (k < hits.size() && hits[k] < x) {  // inside occurrence k
      const std::size_t newStart = hits[k] + k * valueLength - k * length;
      return isEnd ? newStart + valueLength : newStart;
    }
    return base;
  };
  for (const Stretch& s : tracked) {
    const std::size_t start = moved(s.start, false);
    const std::size_t end = moved(s.start + s.length, true);
    all.push_back({start, end - start});
  }
  std::sort(all.begin(), all.end(), [](const Stretch& a, const Stretch& b) {
    return a.start < b.start || (a.start == b.start && a.length > b.length);
  });
  std::vector<Stretch> merged;
  for (const Stretch& s : all) {
    if (!merged.empty() && s.start <= merged.back().start + merged.back().length) {
      const std::size_t end =
          std::max(merged.back().start + merged.back().length, s.start + s.length);
      merged.back().length = end - merged.back().start;
    } else {
      merged.push_back(s);
    }
  }
  return merged;
}

std::string PlaceholderOf(std::string_view name) {
  std::string placeholder;
  placeholder.reserve(name.size() + 2);
  placeholder.append("%").append(name).append("%");
  return placeholder;
}

}  // namespace

void FilledTemplate::ReplaceTracked(std::string_view name, std::string_view value,
                                    bool templateTextOnly) {
  const std::string placeholder = PlaceholderOf(name);
  const std::size_t length = placeholder.size();
  static const std::vector<Stretch> kNone;
  const std::vector<std::size_t> exact =
      ReplaceExact(document_, placeholder, value, templateTextOnly ? inserted_ : kNone);
  if (!exact.empty()) inserted_ = Remap(inserted_, exact, length, value.size());
  // The fallback never matches inside what this call inserted; for template text only,
  // nor inside anything inserted before.
  const std::vector<Stretch> mine = ValueStretches(exact, length, value.size());
  const std::vector<std::size_t> window =
      ReplaceInWindow(document_, placeholder, value, templateTextOnly ? inserted_ : mine);
  if (!window.empty()) inserted_ = Remap(inserted_, window, length, value.size());
}

void FilledTemplate::Replace(std::string_view name, std::string_view value) {
  ReplaceTracked(name, value, false);
}

void FilledTemplate::ReplaceInTemplateText(std::string_view name, std::string_view value) {
  ReplaceTracked(name, value, true);
}

bool FilledTemplate::Mentions(std::string_view name) const {
  const std::string placeholder = PlaceholderOf(name);
  if (document_.find(placeholder) != std::string::npos) return true;
  std::string folded(placeholder);
  for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  for (std::size_t at = 0;
       at + folded.size() <= std::min(document_.size(), kPlaceholderFallbackWindow); ++at)
    if (SameAt(document_, at, folded)) return true;
  return false;
}

std::vector<std::string> FilledTemplate::ArgumentsOf(std::string_view name) const {
  std::string folded = "%" + std::string(name);
  for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  std::vector<std::string> arguments;
  std::size_t next = 0;
  for (std::size_t at = document_.find('%'); at != std::string::npos;
       at = document_.find('%', at + 1)) {
    if (at + folded.size() >= document_.size() || !SameAt(document_, at, folded)) continue;
    std::size_t end = at + folded.size();
    std::string argument;
    if (document_[end] == ':') {
      std::size_t digits = end + 1;
      while (digits < document_.size() && document_[digits] >= '0' && document_[digits] <= '9')
        ++digits;
      if (digits == end + 1 || digits >= document_.size()) continue;
      argument.assign(document_, end + 1, digits - end - 1);
      end = digits;
    }
    if (document_[end] != '%') continue;
    if (Overlaps(inserted_, next, at, end + 1 - at)) continue;
    if (std::find(arguments.begin(), arguments.end(), argument) == arguments.end())
      arguments.push_back(std::move(argument));
  }
  return arguments;
}

void ReplacePlaceholder(std::string& document, std::string_view name, std::string_view value) {
  FilledTemplate filled(std::move(document));
  filled.Replace(name, value);
  document = filled.Take();
}

}  // namespace kestrune
