#include "stats/user_agent.h"

#include "util/text.h"

namespace kestrune {

namespace {

// The part of `text` before the first `c`; `text` keeps what follows it. Without `c`
// the whole text, and `text` becomes empty.
std::string CutBefore(std::string& text, char c) {
  const std::size_t at = text.find(c);
  if (at == std::string::npos) {
    std::string whole = std::move(text);
    text.clear();
    return whole;
  }
  std::string before = text.substr(0, at);
  text.erase(0, at + 1);
  return before;
}

std::string PlusToBlank(std::string text) {
  for (char& c : text)
    if (c == '+') c = ' ';
  return text;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

UserAgentClass ClassifyUserAgent(std::string_view userAgent) {
  std::string rest = ShortText(userAgent);
  UserAgentClass out;
  out.Name = CutBefore(rest, '+');
  out.Browser = "Robot";
  if (rest.empty() || !Contains(rest, "(")) return out;

  CutBefore(rest, '(');
  std::string inside = CutBefore(rest, ')');
  const std::string tail = TrimBlanks(rest);
  rest = std::move(inside);
  const std::string first = CutBefore(rest, '+');
  out.OS = UpperCase(TrimBlanks(first));
  if (!rest.empty()) {
    const std::string second = CutBefore(rest, ';');
    if (!second.empty()) out.Browser = PlusToBlank(second);
    rest = UpperCase(TrimBlanks(rest));
    if (!rest.empty()) out.OS = rest;
  }

  if (Contains(out.Browser, "MSIE 4.0"))
    out.Browser = "MSIE 4";
  else if (Contains(out.Browser, "MSIE 5.0"))
    out.Browser = "MSIE 5";
  else if (Contains(out.Browser, "MSIE 5.5"))
    out.Browser = "MSIE 5.5";
  else if (Contains(out.Browser, "MSIE 6.0"))
    out.Browser = "MSIE 6";

  if (!tail.empty()) {
    if (Contains(tail, "Opera"))
      out.Browser += " (Opera)";
    else if (Contains(tail, "Netscape5"))
      out.Browser = "Netscape 5";
    else if (Contains(tail, "Netscape6"))
      out.Browser = "Netscape 6";
    else
      out.Browser = TrimBlanks(PlusToBlank(tail));
  }

  if (!out.OS.empty()) {
    const std::string& os = out.OS;
    if (!Contains(os, "WIN"))
      out.OS = "Unknown";
    else if (Contains(os, "98"))
      out.OS = "Windows 98";
    else if (Contains(os, "95"))
      out.OS = "Windows 95";
    else if (Contains(os, "32"))
      out.OS = "Windows 32bit";
    else if (Contains(os, "NT") && Contains(os, "+5."))
      out.OS = "Windows 2000";
    else if (Contains(os, "NT"))
      out.OS = "Windows NT";
    else
      out.OS = "Windows";
  }
  return out;
}

}  // namespace kestrune
