#include "importing/file_selection.h"

#include "util/text.h"

namespace kestrune {

namespace {

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

FileSelection::FileSelection(const std::vector<ListedFile>& files) {
  for (const ListedFile& file : files) {
    // emplace keeps the first item of a name.
    exact_.emplace(file.name, file.selected);
    folded_.emplace(Folded(file.name), file.selected);
  }
}

bool FileSelection::Selected(const std::string& fileName) const {
  if (const auto exact = exact_.find(fileName); exact != exact_.end()) return exact->second;
  if (const auto found = folded_.find(Folded(fileName)); found != folded_.end())
    return found->second;
  return true;
}

}  // namespace kestrune
