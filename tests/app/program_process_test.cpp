// The built program as a process: unattended runs without a display from a copy of the
// program in a folder of its own, and the usage and version texts.
#include <QProcess>
#include <QProcessEnvironment>
#include <regex>

#include "window_fixture.h"

namespace kestrune::test {
namespace {

struct Outcome {
  int exitCode = -1;
  bool finished = false;
  std::string out;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program = dir / "kestrune";
    std::filesystem::copy_file(std::string(KESTRUNE_BINARY_DIR) + "/kestrune", program);
    std::filesystem::copy_file(std::string(KESTRUNE_BINARY_DIR) + "/template.html",
                               dir / "template.html");
  }
  Outcome Run(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the program chooses by itself
    env.insert(QStringLiteral("KESTRUNE_SETTINGS"), QString::fromStdString(dir / "s.reg"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(dir.Path()));
    p.start(QString::fromStdString(program), args);
    Outcome o;
    o.finished = p.waitForFinished(60000);
    if (!o.finished) p.kill();
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = p.readAllStandardOutput().toStdString();
    return o;
  }
  std::vector<std::string> Log() { return LogMessages(dir / "maintenance-log.txt"); }

  TempDir dir;
  std::string program;
};

TEST_F(ProgramTest, QuitWithoutDisplayLeavesOneLogLine) {
  const Outcome o = Run({QStringLiteral("qUiT")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0);
  const std::string log = ReadFile(dir / "maintenance-log.txt");
  EXPECT_TRUE(std::regex_match(log, std::regex(R"(\S+ \d\d:\d\d:\d\d Quitting\r\n)"))) << log;
  EXPECT_FALSE(Exists(dir / "s.reg"));  // QUIT writes no settings
}

TEST_F(ProgramTest, HeadlessWordsWithoutQuitEndAsIfQuitCameLast) {
  const Outcome o = Run({QStringLiteral("nothing")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Quitting"}));
}

TEST_F(ProgramTest, HelpAndVersion) {
  const Outcome help = Run({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* word : {"DOWNLOAD", "RUN", "QUIT", "REPORT=<file>", "maintenance-log.txt"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  EXPECT_NE(help.out.find((dir / "s.reg")), std::string::npos);
  const Outcome version = Run({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "Kestrune 1.0.0.1\n");
  EXPECT_EQ(Run({QStringLiteral("-h")}).exitCode, 0);
  EXPECT_FALSE(Exists(dir / "maintenance-log.txt"));
}

}  // namespace
}  // namespace kestrune::test
