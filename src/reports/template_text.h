// The text operations behind the HTML report: line ends, HTML escaping and the
// replacement of one %Name% placeholder in the document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Every line ended by CR LF: CR LF, a lone CR and a lone LF each end a line, and a last
// line without an end gets one. An empty text stays empty.
std::string NormaliseLineEnds(std::string_view text);

// `text` with "&", "<", ">", '"' and "'" written as character entities.
std::string HtmlEscape(std::string_view text);
// The entity that stands for `c` in HTML text when it is one of & < > " ', else nullptr.
const char* HtmlEntity(char c);

// The case-insensitive fallback only looks at this many leading characters.
constexpr std::size_t kPlaceholderFallbackWindow = 255;

// Replaces "%" + name + "%" in `document` by `value`. First every occurrence in exact
// letter case, left to right; then, while one is left, the first occurrence in any
// letter case that lies wholly within the first 255 characters of the document as it
// stands. Text inserted by this call is never searched again, so a value that holds the
// placeholder itself is inserted once; an occurrence is only replaced when it lies
// wholly in text that was there before the call. Linear in the document's length.
void ReplacePlaceholder(std::string& document, std::string_view name, std::string_view value);

// A document being filled that remembers where the values inserted so far lie, so that
// placeholders may be told apart by where they stand: in the template's own text, or in
// a value (a page text from a log that reads "%TopPages:1000%", say).
class FilledTemplate {
 public:
  explicit FilledTemplate(std::string document) : document_(std::move(document)) {}

  // ReplacePlaceholder on the document; the places of the value are remembered.
  void Replace(std::string_view name, std::string_view value);

  // The same rule, but only occurrences that lie wholly in the template's own text are
  // replaced: one that lies in or reaches into a value inserted earlier stays.
  void ReplaceInTemplateText(std::string_view name, std::string_view value);

  // Whether Replace(name, …) would find an occurrence to replace: a value that costs
  // much to build need not be built for a template that does not use it.
  bool Mentions(std::string_view name) const;

  // The distinct arguments of "%" + name + ":" + digits + "%" placeholders (and "" for
  // "%" + name + "%") that stand in the template's own text, in any letter case; the
  // digits as written, in the order first met.
  std::vector<std::string> ArgumentsOf(std::string_view name) const;

  const std::string& Text() const { return document_; }
  std::string Take() { return std::move(document_); }

  // A stretch of inserted text: [start, start + length).
  struct Stretch {
    std::size_t start;
    std::size_t length;
  };

 private:
  void ReplaceTracked(std::string_view name, std::string_view value, bool templateTextOnly);

  std::string document_;
  std::vector<Stretch> inserted_;  // sorted, neither overlapping nor touching
};

}  // namespace kestrune
