// Where the program finds its template: beside itself, then in the installation's share
// folder (relative to the program, then the prefix it was built for), then in
// $XDG_DATA_DIRS; the place beside the program when none holds it.
#include "desktop/data_files.h"

#include <cstdlib>
#include <filesystem>

#include "window_fixture.h"

namespace kestrune::test {
namespace {

namespace fs = std::filesystem;

TEST(DataFilesTest, TheCandidatesComeInTheirOrderEachOnce) {
  EXPECT_EQ(DataFileCandidates("/opt/k/bin/", "template.html", "/usr/local/share/kestrune",
                               "/srv/share:relative::/usr/share/"),
            (std::vector<std::string>{
                "/opt/k/bin/template.html", "/opt/k/share/kestrune/template.html",
                "/usr/local/share/kestrune/template.html", "/srv/share/kestrune/template.html",
                "/usr/share/kestrune/template.html"}));
  // Without XDG_DATA_DIRS, its default; a folder named twice is looked at once.
  EXPECT_EQ(DataFileCandidates("/usr/local/bin", "template.html", "/usr/local/share/kestrune", ""),
            (std::vector<std::string>{"/usr/local/bin/template.html",
                                      "/usr/local/share/kestrune/template.html",
                                      "/usr/share/kestrune/template.html"}));
}

TEST(DataFilesTest, TheFirstPlaceThatHoldsTheFileWins) {
  TempDir dir;
  const std::string program = dir / "inst/bin/";
  fs::create_directories(program);
  const std::string relative = dir / "inst/share/kestrune/template.html";
  const std::string prefix = dir / "prefix/template.html";
  const std::string xdgFirst = dir / "xdg1/kestrune/template.html";
  const std::string xdgSecond = dir / "xdg2/kestrune/template.html";
  const std::string xdg = (dir / "xdg1") + ":" + (dir / "xdg2");
  const struct {
    const char* name;
    std::vector<std::string> present;
    std::string found;
  } cases[] = {
      {"nowhere", {}, program + "template.html"},
      {"besideTheProgram",
       {program + "template.html", relative, prefix},
       program + "template.html"},
      {"relativeInstall", {relative, prefix, xdgFirst}, relative},
      {"prefixCompiledIn", {prefix, xdgFirst}, prefix},
      {"xdgInItsOrder", {xdgSecond, xdgFirst}, xdgFirst},
      {"xdgSecond", {xdgSecond}, xdgSecond},
  };
  for (const auto& c : cases) {
    for (const std::string& path :
         {program + "template.html", relative, prefix, xdgFirst, xdgSecond})
      fs::remove(path);
    for (const std::string& path : c.present) {
      fs::create_directories(fs::path(path).parent_path());
      WriteFile(path, "<html></html>");
    }
    EXPECT_EQ(FindDataFile(program, "template.html", dir / "prefix", xdg), c.found) << c.name;
  }
  // A folder of that name is no template.
  for (const std::string& path : {relative, prefix, xdgFirst, xdgSecond}) fs::remove(path);
  fs::create_directory(program + "template.html");
  WriteFile(xdgSecond, "<html></html>");
  EXPECT_EQ(FindDataFile(program, "template.html", dir / "prefix", xdg), xdgSecond);
}

TEST(DataFilesTest, TheTemplateIsLookedUpThroughXdgDataDirs) {
  TempDir dir;
  fs::create_directories(dir / "bin");
  fs::create_directories(dir / "data/kestrune");
  WriteFile(dir / "data/kestrune/template.html", "<html></html>");
  const char* before = std::getenv("XDG_DATA_DIRS");
  const std::string saved = before != nullptr ? before : "";
  ::setenv("XDG_DATA_DIRS", (dir / "data").c_str(), 1);
  const std::string found = FindTemplateFile(dir / "bin/");
  EXPECT_EQ(found, FindDataFile(dir / "bin/", "template.html", InstalledDataDir(), dir / "data"));
  if (!fs::exists(InstalledDataDir() + "/template.html")) {  // unless this machine has one
    EXPECT_EQ(found, dir / "data/kestrune/template.html");
  }
  if (before != nullptr)
    ::setenv("XDG_DATA_DIRS", saved.c_str(), 1);
  else
    ::unsetenv("XDG_DATA_DIRS");
  EXPECT_TRUE(InstalledDataDir().ends_with("/share/kestrune")) << InstalledDataDir();
}

}  // namespace
}  // namespace kestrune::test
