// Helpers of the FTP tests: a temporary directory, file helpers, a queue that stands in
// for the window's thread (the transfer posts onto it, the test runs what was posted),
// and a recording FtpFetchHost.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "ftp/ftp_fetch.h"
#include "ftp/ftp_transfer.h"
#include "support/ftp_server.h"

namespace kestrune::test {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-ftp-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
inline bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}
// The names in a directory, sorted.
inline std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The owner's thread of a transfer: posted calls wait here until the test runs them.
class PostedCalls {
 public:
  FtpTransfer::Poster Poster() {
    return [this](std::function<void()> call) {
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back(std::move(call));
      ready_.notify_all();
    };
  }
  // Runs posted calls until `done` holds or `limit` has passed; false on time-out.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      std::function<void()> call;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!ready_.wait_until(lock, deadline, [this] { return !calls_.empty(); })) return false;
        call = std::move(calls_.front());
        calls_.pop_front();
      }
      call();
    }
    return true;
  }
  // Runs what has been posted so far.
  void RunPending() {
    RunUntil([] { return false; }, std::chrono::milliseconds(0));
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> calls_;
};

// Options for the tests: the CA of a TLS test server, short time limits.
inline FtpTransfer::Options TestOptions(const std::string& caFile = "") {
  FtpTransfer::Options options;
  options.caFile = caFile;
  options.connectTimeout = std::chrono::seconds(5);
  options.responseTimeout = std::chrono::seconds(5);
  options.stallTimeout = std::chrono::seconds(5);
  return options;
}

class RecordingFetchHost : public FtpFetchHost {
 public:
  explicit RecordingFetchHost(PostedCalls& calls, std::string caFile = "")
      : calls_(calls), caFile_(std::move(caFile)) {}

  void LogString(const std::string& message, bool box) override {
    lines.push_back(message);
    boxes.push_back(box);
  }
  void ErrorBox(const std::string& text) override { errorBoxes.push_back(text); }
  void Status(const std::string&) override {}
  void InitProgress(int) override {}
  void SetProgress(int) override {}
  void EndProgress() override {}
  // One turn of a wait: what the transfer posted within 20 ms.
  void ProcessMessages() override {
    ++pumped;
    calls_.RunUntil([] { return false; }, std::chrono::milliseconds(20));
  }
  std::unique_ptr<FtpTransfer> CreateTransfer() override {
    ++created;
    return std::make_unique<FtpTransfer>(calls_.Poster(), TestOptions(caFile_));
  }
  void FtpStateChanged(int state) override {
    states.push_back(state);
    if (fetch) fetch->StateChanged(state);
  }

  FtpFetch* fetch = nullptr;
  int created = 0;
  int pumped = 0;
  std::vector<std::string> lines;
  std::vector<bool> boxes;
  std::vector<std::string> errorBoxes;
  std::vector<int> states;

 private:
  PostedCalls& calls_;
  std::string caFile_;
};

}  // namespace kestrune::test
