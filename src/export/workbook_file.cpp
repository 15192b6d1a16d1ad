#include "export/workbook_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "util/atomic_file.h"
#include "util/path.h"

namespace kestrune {

namespace {

// The highest " (n)" tried before giving up on a folder full of earlier workbooks.
constexpr int kMaxNumberedNames = 9999;

std::string CommandOutput(const char* command) {
  std::string out;
  if (std::FILE* pipe = ::popen(command, "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// The folder without "//", "/./" and a trailing "/".
std::string CleanFolder(const std::string& folder) {
  std::string clean = std::filesystem::path(folder).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
}

// Writes `book` through `file`; the writer opens the temporary file by name.
bool WriteThrough(Workbook& book, AtomicFile& file, std::string& error) {
  if (!file.Open(error)) return false;
  try {
    book.SaveAs(file.TempPath());
  } catch (const std::exception& e) {
    error = e.what();
    file.Discard();
    return false;
  }
  return true;
}

}  // namespace

std::string DocumentsFolder() {
  const std::string documents = CommandOutput("xdg-user-dir DOCUMENTS 2>/dev/null");
  if (!documents.empty() && DirectoryExists(documents)) return CleanFolder(documents);
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return CleanFolder(home);
  return "/tmp";
}

std::string WorkbookBaseName(TDateTime day) {
  return "Kestrune-" + FormatDdMmmYyyy(day);
}

bool SaveWorkbookAsNew(Workbook& book, const std::string& folder, const std::string& base,
                       std::string& file, std::string& error) {
  const std::string stem = AddBackslash(folder) + base;
  const std::string exists = std::strerror(EEXIST);
  for (int n = 1; n <= kMaxNumberedNames; ++n) {
    const std::string target = stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + ".xlsx";
    if (FileExists(target) || DirectoryExists(target)) continue;
    if (IsSymbolicLink(target)) continue;  // a link that names nothing: taken as well
    AtomicFile out(target);
    std::string reason;
    if (!WriteThrough(book, out, reason)) {
      error = FileErrorText(target, reason);
      return false;
    }
    if (out.Commit(reason, AtomicFile::Existing::Keep)) {
      file = target;
      return true;
    }
    // Another program took the name meanwhile: the next one.
    if (reason != exists && reason != kSymbolicLinkReason) {
      error = FileErrorText(target, reason);
      return false;
    }
  }
  error = stem + ".xlsx: " + exists;
  return false;
}

bool SaveWorkbookReplacing(Workbook& book, const std::string& file, std::string& error) {
  AtomicFile out(file);
  std::string reason;
  if (!WriteThrough(book, out, reason) || !out.Commit(reason, AtomicFile::Existing::Replace)) {
    error = FileErrorText(file, reason);
    return false;
  }
  return true;
}

}  // namespace kestrune
