// clsTimeTally: the accumulated entries counted by calendar day and by hour of the day,
// from each entry's date-time. Per day: hits, bytes, the entries that began a visit, and
// the distinct visitors; per hour: hits and bytes. AddStats fills it for every entry it
// accumulates; an entry without a date-time (0), or one outside the years 1 to 9999, is
// left out. Clearing the model clears it.
//
// Memory: one record per day present, four bytes per visitor, and a set of the distinct
// (day, visitor) pairs. Adding an entry of a day and a visitor already seen together
// touches no heap.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "util/datetime.h"

namespace kestrune {

using Counter = std::uint32_t;

struct DayTally {
  std::int32_t Day = 0;  // whole days since 30 December 1899 (TDateTime of its midnight)
  Counter Hits = 0;
  Counter Visits = 0;    // entries that began a visit (the visit rule of AddStats)
  Counter Visitors = 0;  // distinct visitors with an entry on this day
  double Bytes = 0;
};

struct HourTally {
  Counter Hits = 0;
  double Bytes = 0;
};

class clsTimeTally {
 public:
  clsTimeTally();
  ~clsTimeTally();
  clsTimeTally(const clsTimeTally&) = delete;
  clsTimeTally& operator=(const clsTimeTally&) = delete;

  // Counts one accumulated entry: its date-time, bytes, whether it began a visit, and the
  // index of its visitor in slUsers.
  void Add(TDateTime when, std::uint32_t bytes, bool newVisit, int visitor);

  void Clear();

  // The days present, earliest first.
  std::vector<DayTally> Days() const;
  std::size_t DayCount() const { return days_.size(); }
  // Hour 0 to 23.
  const HourTally& Hour(int hour) const { return hours_[static_cast<std::size_t>(hour)]; }

 private:
  class PairSet;

  // The index of `day` in days_, the record appended when it is new.
  std::uint32_t DayIndex(std::int32_t day);

  std::vector<DayTally> days_;  // in the order first met
  // Days are looked up through pages of 1024 day slots, made as days of that span
  // appear: an index into days_ + 1, or 0.
  std::vector<std::unique_ptr<std::uint32_t[]>> dayPages_;
  std::int32_t lastDay_ = 0;
  std::uint32_t lastIndex_ = 0;
  bool haveLast_ = false;
  std::array<HourTally, 24> hours_{};
  // Per visitor index: the last day counted for that visitor (the common case: the next
  // entry of a visitor falls on the same day), else kNoDay.
  std::vector<std::int32_t> visitorDay_;
  std::unique_ptr<PairSet> pairs_;
};

}  // namespace kestrune
