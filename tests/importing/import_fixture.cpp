#include "import_fixture.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrune::test {

ScratchFolder::ScratchFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kestrune-import-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

std::string RequestLog(const std::vector<std::string>& requests) {
  std::string text =
      "#Software: Microsoft Internet Information Server 4.0\r\n"
      "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";
  for (const std::string& r : requests) text += "2026-03-01 " + r + " 200 1000\r\n";
  return text;
}

std::string BadLine() {
  return "2026-13-01 10:00:00 10.0.0.9 GET /bad.html 200 1\r\n";
}

std::vector<std::string> RecordingImportHost::LinesStarting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : lines)
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

ImportOutcome ImportRunTest::Run(const std::string& mask) {
  host.lines.clear();
  host.lineBoxes.clear();
  host.calls.clear();
  ImportRun run(host, stats, ImportRequest{dir.Path(), dir / mask, listed, options});
  return run.Run();
}

std::string ImportRunTest::Completion() const {
  if (host.lines.empty()) return "";
  const std::string& last = host.lines.back();
  return last.substr(0, last.find('\r'));
}

}  // namespace kestrune::test
