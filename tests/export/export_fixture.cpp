#include "export_fixture.h"

#include <algorithm>
#include <fstream>

#include "logfiles/log_readers.h"

namespace kestrune::test {

std::string SmallLog() {
  return "#Software: Microsoft Internet Information Server 4.0\r\n"
         "#Version: 1.0\r\n"
         "#Date: 2026-03-01 00:00:00\r\n"
         "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken "
         "cs-version cs(User-Agent) cs(Referer)\r\n"
         "2026-03-01 10:00:00 10.0.0.1 GET /index.htm 200 1000 15 HTTP/1.1 "
         "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.0) -\r\n"
         "2026-03-01 10:01:00 10.0.0.1 GET /Zeta.htm 200 500 10 HTTP/1.1 "
         "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.0) http://www.example.com/\r\n"
         "2026-03-01 10:02:00 10.0.0.2 GET /index.htm 200 1000 20 HTTP/1.0 "
         "Mozilla/4.7+[en]+(Win98;+I) http://www.example.com/\r\n"
         "2026-03-01 10:03:00 10.0.0.2 GET /docs/a.htm 200 500 5 HTTP/1.1 "
         "Mozilla/4.7+[en]+(Win98;+I) http://search.example.org/?q=kestrune\r\n"
         "2026-03-02 09:00:00 10.0.0.3 GET /b.htm 200 500 7 HTTP/1.1 Googlebot/2.1 -\r\n"
         "2026-03-02 09:00:30 10.0.0.3 GET =cmd|'/C+calc'!A0 200 200 1 HTTP/1.1 "
         "Googlebot/2.1 -\r\n"
         "2026-03-02 09:01:00 10.0.0.3 GET /missing.htm 404 0 2 HTTP/1.1 Googlebot/2.1 -\r\n";
}

void ExportTest::SetUp() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kestrune-export-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
}

void ExportTest::TearDown() {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(dir_, ec);
}

void ExportTest::Write(const std::string& name, const std::string& content) const {
  std::ofstream out(dir_ / name, std::ios::binary);
  out << content;
}

void ExportTest::ImportSmallLog(const std::string& extra) {
  const std::string file = Path("ex260301.log");
  Write("ex260301.log", SmallLog() + extra);
  NullReaderHost host;
  ReaderContext context{stats_, host, nullptr};
  const int index = stats_.slFiles.Add(file, std::make_unique<clsPFileObject>());
  stats_.slFiles.Object(index)->LineCount = ScanIISFile(file, false, context);
  panel_ = MakePanelTexts(stats_);
  std::filesystem::remove(file);
}

std::vector<std::string> ExportTest::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kestrune::test
