#include "importing/stored_content.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>

#include "logfiles/raw_file.h"
#include "util/sha256.h"

namespace kestrune {

namespace {

// The digest of the first `size` bytes of `path`, and on the way those of the
// beginnings in `prefixes` (each below `size`). Fewer bytes than `size` (the file was
// cut meanwhile) end the hashing where the file ends: `size` then says how many.
std::string HashContent(const std::string& path, std::uint64_t& size,
                        std::map<std::uint64_t, std::string>& prefixes) {
  RawFile file(path, size);
  Sha256 whole;
  constexpr std::size_t kChunk = 1 << 20;
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  auto next = prefixes.begin();
  for (;;) {
    std::size_t want = kChunk;
    if (next != prefixes.end())
      want = static_cast<std::size_t>(std::min<std::uint64_t>(want, next->first - whole.Size()));
    const std::size_t n = file.Read(buffer.get(), want);
    whole.Update(buffer.get(), n);
    for (; next != prefixes.end() && next->first == whole.Size(); ++next)
      next->second = Sha256(whole).FinalHex();
    if (n == 0) break;
  }
  size = whole.Size();
  return whole.FinalHex();
}

}  // namespace

std::optional<FileIdentity> FileIdentity::Of(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino, static_cast<std::uint64_t>(info.st_size),
                      static_cast<std::int64_t>(info.st_mtim.tv_sec), info.st_mtim.tv_nsec};
}

StoragePlan PlanStorage(FileRecord& record, const std::string& path, const std::string& name,
                        std::uint64_t size) {
  // Earlier contents of a file of this name, largest first: the candidates for a log
  // that grew. Only their sizes below this file's can be its beginning.
  const std::vector<StoredFile> named = record.FindByName(name);
  std::map<std::uint64_t, std::string> prefixes;
  for (const StoredFile& row : named)
    if (row.Size > 0 && static_cast<std::uint64_t>(row.Size) < size)
      prefixes.emplace(static_cast<std::uint64_t>(row.Size), std::string());

  StoragePlan plan;
  plan.size = size;
  plan.sha256 = HashContent(path, plan.size, prefixes);
  if (std::optional<StoredFile> stored =
          record.FindContent(static_cast<std::int64_t>(plan.size), plan.sha256)) {
    plan.kind = StoragePlan::Kind::Stored;
    plan.previous = std::move(*stored);
    return plan;
  }
  for (const StoredFile& row : named) {
    const auto prefix = prefixes.find(static_cast<std::uint64_t>(row.Size));
    if (prefix == prefixes.end() || static_cast<std::uint64_t>(row.Size) >= plan.size ||
        prefix->second != row.SHA256)
      continue;
    plan.kind = StoragePlan::Kind::Grown;
    plan.skipLines = static_cast<int>(row.Lines);
    plan.previous = row;
    break;
  }
  return plan;
}

}  // namespace kestrune
