// flood_bench: an IIS log whose page texts were chosen to share one hash under the
// fixed hash function the keyed lists used before (16-byte texts that all reach the same
// state of its multiply-xorshift chain), against a log of random 16-byte page texts of
// the same size. ScanIISFile with AddStats, best of R runs, on one thread.
//
//   flood_bench [--pages 40000] [--repeat 3] [--dir /tmp]
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_files.h"
#include "logfiles/log_readers.h"
#include "util/text.h"

using namespace kestrune;

namespace {

constexpr std::uint64_t kMul = 0x9e3779b97f4a7c15ull;

std::uint64_t OldMix(std::uint64_t h, std::uint64_t word) {
  h = (h ^ word) * kMul;
  return h ^ (h >> 29);
}

// A page text byte that reaches the keyed list unchanged: no blank (the column
// separator), no control byte (the reader deletes them), no upper-case letter (folded).
bool Usable(unsigned char c) {
  return c > 32 && c != 127 && !(c >= 'A' && c <= 'Z');
}

bool UsableWord(std::uint64_t w) {
  for (int i = 0; i < 8; ++i)
    if (!Usable(static_cast<unsigned char>(w >> (8 * i)))) return false;
  return true;
}

std::string Bytes(std::uint64_t w) {
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(w >> (8 * i));
  return out;
}

// 16-byte texts that all end the old chain in one state: the first word is free, the
// second solved for by inverting the last step; kept when both are usable bytes.
std::vector<std::string> CollidingPages(int count) {
  std::uint64_t inverse = kMul;
  for (int i = 0; i < 6; ++i) inverse *= 2 - kMul * inverse;
  const std::uint64_t target = 0x0123456789abcdefull;
  const std::uint64_t x = (target ^ (target >> 29) ^ (target >> 58)) * inverse;
  const std::uint64_t start = OldMix(0x243f6a8885a308d3ull, 16);
  std::mt19937_64 random(1);
  std::vector<std::string> pages;
  while (static_cast<int>(pages.size()) < count) {
    const std::uint64_t first = random();
    if (!UsableWord(first)) continue;
    const std::uint64_t second = OldMix(start, first) ^ x;
    if (UsableWord(second)) pages.push_back(Bytes(first) + Bytes(second));
  }
  return pages;
}

std::vector<std::string> RandomPages(int count) {
  std::mt19937_64 random(2);
  std::vector<std::string> pages;
  while (static_cast<int>(pages.size()) < count) {
    const std::uint64_t first = random(), second = random();
    if (UsableWord(first) && UsableWord(second)) pages.push_back(Bytes(first) + Bytes(second));
  }
  return pages;
}

bool WriteLog(const std::string& path, const std::vector<std::string>& pages) {
  std::string text = "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";
  for (const std::string& page : pages)
    text += "2026-03-01 10:00:00 10.0.0.1 GET " + page + " 200 100\r\n";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  int pages = 40000, repeat = 3;
  std::string dir = "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--pages") {
      pages = std::atoi(argv[i + 1]);
    } else if (arg == "--repeat") {
      repeat = std::atoi(argv[i + 1]);
    } else if (arg == "--dir") {
      dir = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: flood_bench [--pages N] [--repeat R] [--dir DIR]\n");
      return 2;
    }
  }
  std::setlocale(LC_ALL, "C");
  InitLocaleFromEnvironment();
  const std::string base = dir + "/flood_bench-" + std::to_string(::getpid());
  const struct {
    const char* name;
    std::vector<std::string> pages;
  } logs[] = {{"colliding", CollidingPages(pages)}, {"random", RandomPages(pages)}};
  for (const auto& log : logs) {
    const std::string path = base + "-" + log.name + ".log";
    if (!WriteLog(path, log.pages)) return 1;
    double best = 1e100;
    int distinct = 0;
    for (int r = 0; r < repeat; ++r) {
      clsImportStats stats;
      NullReaderHost host;
      ReaderContext context{stats, host};
      const double start = bench::Seconds();
      ScanIISFile(path, false, context);
      best = std::min(best, bench::Seconds() - start);
      distinct = stats.slPages.Count();
    }
    std::printf("%-9s page texts: %d lines, %d distinct pages, ScanIISFile %.3f s (best of %d)\n",
                log.name, pages, distinct, best, repeat);
    std::remove(path.c_str());
  }
  return 0;
}
