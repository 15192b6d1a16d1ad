// Escaping of 8-bit texts for an XML 1.0 document in UTF-8, so that the document is
// well-formed whatever the text holds:
// - "&", "<", ">" become entity references; in attribute values also '"' and "'";
// - tab, LF and CR become character references, so a parser keeps them as they are;
// - well-formed UTF-8 sequences of characters XML allows pass through unchanged;
// - a byte that does not start or belong to a well-formed UTF-8 sequence is taken as a
//   Latin-1 character and written as its character reference (0xE9 -> "&#xE9;");
// - characters XML 1.0 forbids even as references (C0 controls other than tab, LF, CR;
//   U+FFFE, U+FFFF) become U+FFFD, written "&#xFFFD;".
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// Appends `text` escaped for element content to `out`.
void AppendXmlText(std::string& out, std::string_view text);

// Appends `text` escaped for an attribute value in double or single quotes to `out`.
void AppendXmlAttribute(std::string& out, std::string_view text);

}  // namespace kestrune
