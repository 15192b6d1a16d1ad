// The text operations behind the HTML report: line ends, HTML escaping and the
// replacement of one %Name% placeholder in the document.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// Every line ended by CR LF: CR LF, a lone CR and a lone LF each end a line, and a last
// line without an end gets one. An empty text stays empty.
std::string NormaliseLineEnds(std::string_view text);

// `text` with "&", "<", ">", '"' and "'" written as character entities.
std::string HtmlEscape(std::string_view text);

// The case-insensitive fallback only looks at this many leading characters.
constexpr std::size_t kPlaceholderFallbackWindow = 255;

// Replaces "%" + name + "%" in `document` by `value`. First every occurrence in exact
// letter case, left to right; then, while one is left, the first occurrence in any
// letter case that lies wholly within the first 255 characters of the document as it
// stands. Text inserted by this call is never searched again, so a value that holds the
// placeholder itself is inserted once; an occurrence is only replaced when it lies
// wholly in text that was there before the call. Linear in the document's length.
void ReplacePlaceholder(std::string& document, std::string_view name, std::string_view value);

}  // namespace kestrune
