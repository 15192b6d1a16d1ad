#include "stats/time_tally.h"

#include <cmath>
#include <limits>

#include "util/siphash.h"

namespace kestrune {

namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;
constexpr std::int64_t kMSecsPerHour = 3600000;
// 1 January of year 1 and 31 December 9999 as whole days of a date-time value.
constexpr std::int32_t kFirstDay = -693593;
constexpr std::int32_t kLastDay = 2958465;
constexpr int kPageBits = 10;
constexpr std::int32_t kNoDay = std::numeric_limits<std::int32_t>::min();

std::size_t PageOf(std::int32_t day) {
  return static_cast<std::size_t>(day - kFirstDay) >> kPageBits;
}
std::size_t SlotOf(std::int32_t day) {
  return static_cast<std::size_t>(day - kFirstDay) & ((1u << kPageBits) - 1);
}

}  // namespace

// The distinct (day, visitor) pairs: an open-addressing table of 64-bit keys, hashed
// under this process's random key so that dates and addresses from a log cannot be
// chosen to pile up in one place.
class clsTimeTally::PairSet {
 public:
  // Adds the pair; false when it was there already.
  bool Insert(std::int32_t day, int visitor) {
    if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
    const std::uint64_t key =
        (static_cast<std::uint64_t>(day - kFirstDay) << 32) | static_cast<std::uint32_t>(visitor);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = Hash(key) & mask;; s = (s + 1) & mask) {
      if (slots_[s] == key) return false;
      if (slots_[s] == kEmpty) {
        slots_[s] = key;
        ++used_;
        return true;
      }
    }
  }

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};

  std::uint64_t Hash(std::uint64_t key) const {
    // The finaliser of SplitMix64 over the key mixed with the secret.
    std::uint64_t z = key ^ seed_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }

  void Grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, kEmpty);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t key : old) {
      if (key == kEmpty) continue;
      std::size_t s = Hash(key) & mask;
      while (slots_[s] != kEmpty) s = (s + 1) & mask;
      slots_[s] = key;
    }
  }

  std::vector<std::uint64_t> slots_;
  std::size_t used_ = 0;
  std::uint64_t seed_ = ProcessSipKey().k0 ^ ProcessSipKey().k1;
};

clsTimeTally::clsTimeTally() : pairs_(std::make_unique<PairSet>()) {}

clsTimeTally::~clsTimeTally() = default;

void clsTimeTally::Clear() {
  days_.clear();
  dayPages_.clear();
  haveLast_ = false;
  hours_ = {};
  visitorDay_.clear();
  pairs_ = std::make_unique<PairSet>();
}

std::uint32_t clsTimeTally::DayIndex(std::int32_t day) {
  if (haveLast_ && day == lastDay_) return lastIndex_;
  if (dayPages_.empty()) dayPages_.resize(PageOf(kLastDay) + 1);
  auto& page = dayPages_[PageOf(day)];
  if (!page) page = std::make_unique<std::uint32_t[]>(std::size_t{1} << kPageBits);  // zeroed
  std::uint32_t& slot = page[SlotOf(day)];
  if (slot == 0) {
    days_.push_back(DayTally{day, 0, 0, 0, 0});
    slot = static_cast<std::uint32_t>(days_.size());
  }
  lastDay_ = day;
  lastIndex_ = slot - 1;
  haveLast_ = true;
  return lastIndex_;
}

void clsTimeTally::Add(TDateTime when, std::uint32_t bytes, bool newVisit, int visitor) {
  // Split as the date functions do: rounded to the millisecond as a whole, the days
  // counted linearly on both sides of 30 December 1899.
  if (when == 0 || !(std::fabs(when) < 4e6)) return;
  const std::int64_t total = std::llround(when * static_cast<double>(kMSecsPerDay));
  std::int64_t days = total / kMSecsPerDay;
  std::int64_t msec = total % kMSecsPerDay;
  if (msec < 0) {
    --days;
    msec += kMSecsPerDay;
  }
  if (days < kFirstDay || days > kLastDay) return;
  const auto day = static_cast<std::int32_t>(days);

  DayTally& record = days_[DayIndex(day)];
  ++record.Hits;
  if (newVisit) ++record.Visits;
  record.Bytes += static_cast<double>(bytes);
  HourTally& hour = hours_[static_cast<std::size_t>(msec / kMSecsPerHour)];
  ++hour.Hits;
  hour.Bytes += static_cast<double>(bytes);

  if (visitor < 0) return;
  const auto v = static_cast<std::size_t>(visitor);
  if (v >= visitorDay_.size()) visitorDay_.resize(v + 1, kNoDay);
  if (visitorDay_[v] == day) return;
  visitorDay_[v] = day;
  if (pairs_->Insert(day, visitor)) ++days_[lastIndex_].Visitors;
}

std::vector<DayTally> clsTimeTally::Days() const {
  std::vector<DayTally> sorted;
  sorted.reserve(days_.size());
  for (const auto& page : dayPages_) {
    if (!page) continue;
    for (std::size_t s = 0; s < (std::size_t{1} << kPageBits); ++s)
      if (page[s] != 0) sorted.push_back(days_[page[s] - 1]);
  }
  return sorted;
}

}  // namespace kestrune
