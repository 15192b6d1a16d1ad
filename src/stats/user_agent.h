// ClassifyUserAgent: the product name, browser label and operating-system label of a
// user-agent text as IIS logs store it ("+" for every blank, ";" between the items in
// the parentheses). A pure function of its first 255 characters; the workbook export and
// the HTML report both label their user agents with it.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

struct UserAgentClass {
  std::string Name;
  std::string Browser;
  std::string OS;
};

UserAgentClass ClassifyUserAgent(std::string_view userAgent);

}  // namespace kestrune
