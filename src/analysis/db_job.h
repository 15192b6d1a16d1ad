// DbJob: one request of the database source, run off the caller's thread so that a
// window never waits on the database. Two threads, each on its own connection: one reads
// the rows (handing them over in chunks, the first one small so that it shows at once)
// and then, when asked, the hits and visitors per day for the chart; the other reads the
// totals. The totals wait until the first rows have been handed over: the rows are what
// a user waits for, and the two queries at once take longer than one after the other
// (on SQLite two connections read one file; PostgreSQL shares a long sort among its
// workers, and they then share the processors with the totals). The callbacks run on
// those threads; a window posts them to its own. Cancel()
// returns at once: it stops the running statements (SQLCancel) and nothing more is
// reported but `finished`. The destructor cancels and waits for both threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/db_reader.h"

namespace kestrune {

class DbJob {
 public:
  struct Callbacks {
    std::function<void(const std::string& reason)> failed;  // at most once, not when cancelled
    std::function<void(AnalysisTable&& chunk)> rows;
    std::function<void()> rowsDone;  // every row has been handed over
    std::function<void(AnalysisTable&& totals)> totals;
    std::function<void(std::vector<DayPoint>&& series)> series;
    std::function<void()> finished;  // both threads are done: always the last call
  };

  DbJob(std::string dsn, DbRequest request, bool withSeries, Callbacks callbacks,
        std::size_t firstChunk = 200, std::size_t chunk = 5000);
  ~DbJob();
  DbJob(const DbJob&) = delete;
  DbJob& operator=(const DbJob&) = delete;

  void Start();
  void Cancel();
  bool Cancelled() const { return cancelled_; }
  // Both threads have ended (after `finished`).
  bool Done() const { return running_ == 0; }

 private:
  void RunRows();
  void RunTotals();
  void Fail(const std::string& reason);
  void ThreadEnded();
  // The first rows have been handed over, or the rows thread has ended.
  void RowsShown();
  // Until RowsShown(), a cancel or a failure.
  void WaitForRows();
  void Wake();

  std::string dsn_;
  DbRequest request_;
  bool withSeries_;
  Callbacks callbacks_;
  std::size_t firstChunk_, chunk_;
  DatabaseReader rowsReader_, totalsReader_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> failed_{false};
  std::atomic<int> running_{0};
  std::mutex shownMutex_;
  std::condition_variable shownChanged_;
  bool rowsShown_ = false;  // guarded by shownMutex_
  std::thread rowsThread_, totalsThread_;
};

}  // namespace kestrune
