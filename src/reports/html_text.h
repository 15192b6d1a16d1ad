// The text and number forms of the HTML report's generated tables and charts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Appends `text` for HTML element content or an attribute value in quotes, so that the
// page stays well-formed UTF-8 whatever a log text holds: "&", "<", ">", '"' and "'" as
// character entities; well-formed UTF-8 unchanged; every other byte read as the Latin-1
// character of its value and written as a character reference ("&#xE9;"); control
// characters (C0, DEL, C1) and U+FFFE, U+FFFF written as U+FFFD, "&#xFFFD;".
void AppendHtmlText(std::string& out, std::string_view text);
std::string HtmlText(std::string_view text);

// A byte sum in the largest unit of 1024 that keeps it at 1 or more: "512 B", "1.5 KB",
// "23.4 MB", "117 GB" (one decimal below 100 of the unit, none above).
std::string ByteSize(double bytes);

// A part of a whole as a percentage with one decimal: "12.3 %"; "0.0 %" for a whole of 0.
std::string Percentage(double part, double whole);

// Table cells shared by the generated tables:
// - a traffic cell: the byte size, with the exact count of bytes as its title;
// - a share cell: the percentage of `part` in `whole`, after a small meter whose fill is
//   `part` against the table's `largest` (the first row's, for a list by hits).
void AppendTrafficCell(std::string& out, double bytes);
void AppendShareCell(std::string& out, double part, double whole, double largest);

}  // namespace kestrune
