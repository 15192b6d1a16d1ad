#include "stats/user_agent.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

struct AgentCase {
  const char* input;
  const char* name;
  const char* browser;
  const char* os;
};

// Texts as IIS stores them, blanks as "+".
const AgentCase kAgents[] = {
    {"Mozilla/4.0+(compatible;+MSIE+5.5;+Windows+98)", "Mozilla/4.0", "MSIE 5.5", "Windows 98"},
    {"Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.0)", "Mozilla/4.0", "MSIE 6", "Windows 2000"},
    {"Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1)", "Mozilla/4.0", "MSIE 6", "Windows 2000"},
    {"Mozilla/4.0+(compatible;+MSIE+5.01;+Windows+NT)", "Mozilla/4.0", "MSIE 5", "Windows NT"},
    {"Mozilla/4.0+(compatible;+MSIE+5.5;+Windows+95)", "Mozilla/4.0", "MSIE 5.5", "Windows 95"},
    {"Mozilla/4.0+(compatible;+MSIE+6.0;+Win32)", "Mozilla/4.0", "MSIE 6", "Windows 32bit"},
    {"Mozilla/4.0+(compatible;+MSIE+5.0)", "Mozilla/4.0", "MSIE 5", "Unknown"},
    {"Mozilla/4.0+(compatible;+MSIE+5.0;+Windows+98)+Opera+6.0++[en]", "Mozilla/4.0",
     "MSIE 5 (Opera)", "Windows 98"},
    {"Mozilla/5.0+(Windows;+U;+Windows+NT+5.0;+en-US;+rv:0.9.4)+Gecko+Netscape6/6.2.1",
     "Mozilla/5.0", "Netscape 6", "Windows 2000"},
    {"Mozilla/4.7+[en]+(Win98;+I)", "Mozilla/4.7", "I", "Windows 98"},
    {"Mozilla/5.0+(X11;+U;+Linux+i686;+en-US;+rv:1.0)+Gecko+Build+7", "Mozilla/5.0",
     "Gecko Build 7", "Unknown"},
    // Beyond the table: the rules' edges.
    {"Googlebot/2.1", "Googlebot/2.1", "Robot", ""},
    {"Wget/1.21+libwww", "Wget/1.21", "Robot", ""},
    {"", "", "Robot", ""},
    {"Mozilla/4.0+(compatible;+MSIE+4.01;+Windows+NT", "Mozilla/4.0", "MSIE 4", "Windows NT"},
    {"Mozilla/5.0+(X;+Y;+Windows+NT+5.0)+Netscape5", "Mozilla/5.0", "Netscape 5", "Windows 2000"},
    {"Mozilla/5.0+(OS/2;+Warp)", "Mozilla/5.0", "Warp", "Unknown"},
    {"Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+ME)", "Mozilla/4.0", "MSIE 6", "Windows"},
};

class ClassifyUserAgentTest : public ::testing::TestWithParam<AgentCase> {};

TEST_P(ClassifyUserAgentTest, GivesNameBrowserAndOs) {
  const AgentCase& c = GetParam();
  const UserAgentClass got = ClassifyUserAgent(c.input);
  EXPECT_EQ(got.Name, c.name) << c.input;
  EXPECT_EQ(got.Browser, c.browser) << c.input;
  EXPECT_EQ(got.OS, c.os) << c.input;
}

INSTANTIATE_TEST_SUITE_P(Table, ClassifyUserAgentTest, ::testing::ValuesIn(kAgents));

TEST(ClassifyUserAgent, OnlyTheFirst255CharactersCount) {
  // A "(" at position 256 is not seen: no parenthesised part, so a robot.
  const std::string longName = "Agent+" + std::string(249, 'x') + "(Windows+98;+B)";
  ASSERT_EQ(longName.find('('), 255u);
  const UserAgentClass beyond = ClassifyUserAgent(longName);
  EXPECT_EQ(beyond.Browser, "Robot");
  EXPECT_EQ(beyond.OS, "");
  // Within them it is seen, however long the text.
  const UserAgentClass within = ClassifyUserAgent(
      "Agent+" + std::string(200, 'x') + "(compatible;+B;+Windows+98)" + std::string(99, 'y'));
  EXPECT_EQ(within.OS, "Windows 98");
  EXPECT_EQ(within.Browser, std::string(22, 'y'));
}

}  // namespace
}  // namespace kestrune
