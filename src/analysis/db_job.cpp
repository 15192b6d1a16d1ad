#include "analysis/db_job.h"

namespace kestrune {

DbJob::DbJob(std::string dsn, DbRequest request, bool withSeries, Callbacks callbacks,
             std::size_t firstChunk, std::size_t chunk)
    : dsn_(std::move(dsn)),
      request_(std::move(request)),
      withSeries_(withSeries),
      callbacks_(std::move(callbacks)),
      firstChunk_(firstChunk),
      chunk_(chunk) {}

DbJob::~DbJob() {
  Cancel();
  if (rowsThread_.joinable()) rowsThread_.join();
  if (totalsThread_.joinable()) totalsThread_.join();
}

void DbJob::Start() {
  running_ = 2;
  rowsThread_ = std::thread([this] { RunRows(); });
  totalsThread_ = std::thread([this] { RunTotals(); });
}

void DbJob::Cancel() {
  cancelled_ = true;
  rowsReader_.Cancel();
  totalsReader_.Cancel();
  Wake();
}

void DbJob::Wake() {
  // Taking the lock orders the flag before a waiter's test of it.
  { std::lock_guard<std::mutex> lock(shownMutex_); }
  shownChanged_.notify_all();
}

void DbJob::RowsShown() {
  {
    std::lock_guard<std::mutex> lock(shownMutex_);
    if (rowsShown_) return;
    rowsShown_ = true;
  }
  shownChanged_.notify_all();
}

void DbJob::WaitForRows() {
  std::unique_lock<std::mutex> lock(shownMutex_);
  shownChanged_.wait(lock, [this] { return rowsShown_ || cancelled_ || failed_; });
}

void DbJob::Fail(const std::string& reason) {
  if (cancelled_ || failed_.exchange(true)) return;
  // One failure is enough: the other thread stops too.
  rowsReader_.Cancel();
  totalsReader_.Cancel();
  Wake();
  if (callbacks_.failed) callbacks_.failed(reason);
}

void DbJob::ThreadEnded() {
  if (--running_ == 0 && callbacks_.finished) callbacks_.finished();
}

void DbJob::RunRows() {
  std::string error;
  if (!rowsReader_.Open(dsn_, error)) {
    Fail(error);
  } else if (rowsReader_.ReadRows(
                 request_, firstChunk_, chunk_,
                 [this](AnalysisTable&& chunk) {
                   if (cancelled_ || failed_) return false;
                   if (callbacks_.rows) callbacks_.rows(std::move(chunk));
                   RowsShown();
                   return true;
                 },
                 error)) {
    if (!cancelled_ && !failed_ && callbacks_.rowsDone) callbacks_.rowsDone();
    RowsShown();
    // The chart's days on this connection, while the other reads the totals.
    std::vector<DayPoint> series;
    if (withSeries_ && !cancelled_ && !failed_) {
      if (!rowsReader_.ReadSeries(request_, series, error))
        Fail(error);
      else if (!cancelled_ && !failed_ && callbacks_.series)
        callbacks_.series(std::move(series));
    }
  } else {
    Fail(error);
  }
  RowsShown();
  ThreadEnded();
}

void DbJob::RunTotals() {
  std::string error;
  AnalysisTable totals;
  const bool opened = totalsReader_.Open(dsn_, error);
  if (opened) WaitForRows();
  if (!opened) {
    Fail(error);
  } else if (!totalsReader_.ReadTotals(request_, totals, error)) {
    Fail(error);
  } else if (!cancelled_ && !failed_ && callbacks_.totals) {
    callbacks_.totals(std::move(totals));
  }
  ThreadEnded();
}

}  // namespace kestrune
