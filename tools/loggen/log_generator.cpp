#include "log_generator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <queue>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kestrune::loggen {

namespace {

// xoshiro256** seeded through splitmix64: fast, and the same numbers everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) {
    for (auto& word : state_) {
      seed += 0x9e3779b97f4a7c15ull;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
      word = z ^ (z >> 31);
    }
  }
  std::uint64_t Next() {
    const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
  }
  // 0 <= result < n.
  std::uint64_t Below(std::uint64_t n) {
    __extension__ using Wide = unsigned __int128;  // the multiply-shift range reduction
    return static_cast<std::uint64_t>((static_cast<Wide>(Next()) * n) >> 64);
  }
  // lo <= result <= hi.
  std::int64_t Between(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(hi - lo + 1)));
  }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  bool Chance(double p) { return Unit() < p; }

 private:
  static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::array<std::uint64_t, 4> state_{};
};

// Days since 1 January 1970 and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = static_cast<int>(y - era * 400);
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = static_cast<int>(z - era * 146097);
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400) + (m <= 2);
}

enum class Kind { kHtml, kAsp, kGif, kJpg, kZip, kExe, kPdf, kDir, kTxt };

struct Page {
  std::string path;
  Kind kind;
  bool missing = false;  // gone from the site: always 404
};

struct Visitor {
  std::string address;  // IP address, or a host name in UNIX logs
  int agent;
  bool robot;
  bool http11;
};

constexpr std::array<std::string_view, 9> kDirectories = {
    "/",        "/products/",    "/support/", "/news/2026/", "/downloads/",
    "/images/", "/docs/manual/", "/shop/",    "/company/"};
constexpr std::array<std::string_view, 24> kWords = {
    "widget", "gadget", "install", "faq",     "contact", "pricing", "release", "guide",
    "banner", "logo",   "photo",   "catalog", "order",   "cart",    "search",  "about",
    "team",   "jobs",   "update",  "driver",  "manual",  "report",  "events",  "press"};
constexpr std::array<std::string_view, 9> kBrowsers = {
    "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)",
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)",
    "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)",
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.7.12) Gecko/20050915 Firefox/1.0.7",
    "Mozilla/4.7 [en] (X11; I; Linux 2.2.14 i686)",
    "Opera/7.54 (Windows NT 5.1; U) [en]",
    "Mozilla/5.0 (Macintosh; U; PPC Mac OS X; en) AppleWebKit/125.5.5 (KHTML, like Gecko) "
    "Safari/125.12",
    "Mozilla/5.0 (X11; U; Linux i686; en-US; rv:1.7.8) Gecko/20050511",
    "Lynx/2.8.4rel.1 libwww-FM/2.14"};
constexpr std::array<std::string_view, 3> kRobots = {
    "Googlebot/2.1 (+http://www.google.com/bot.html)",
    "Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)",
    "msnbot/1.0 (+http://search.msn.com/msnbot.htm)"};
constexpr std::array<std::string_view, 4> kSearchReferrers = {
    "http://www.google.com/search?q=", "http://search.yahoo.com/search?p=",
    "http://www.altavista.com/web/results?q=", "http://search.msn.com/results.aspx?q="};
// The distinct query strings of a script page ("?id=0" to "?id=7"). In UNIX logs they
// are part of the path, so each script page is up to this many distinct pages there.
constexpr std::uint64_t kQueryVariants = 8;
constexpr std::string_view kSiteHost = "http://www.example.com";
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Relative traffic per hour of the day (mean 1): quiet nights, busy office hours.
constexpr std::array<double, 24> kHourWeight = {0.35, 0.25, 0.2, 0.18, 0.2, 0.3,  0.5,  0.8,
                                                1.2,  1.5,  1.6, 1.6,  1.4, 1.5,  1.6,  1.55,
                                                1.45, 1.3,  1.2, 1.15, 1.1, 0.95, 0.75, 0.5};

bool IsImage(Kind kind) {
  return kind == Kind::kGif || kind == Kind::kJpg;
}
bool IsDocument(Kind kind) {
  return kind == Kind::kHtml || kind == Kind::kAsp;
}

// Appends to one output buffer, written out in large blocks.
class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) { buffer_.reserve(kBlock + 1024); }
  void Put(std::string_view text) { buffer_.append(text); }
  void Put(char c) { buffer_.push_back(c); }
  void Number(std::uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
  }
  void TwoDigits(int value) {
    Put(static_cast<char>('0' + value / 10));
    Put(static_cast<char>('0' + value % 10));
  }
  // "+" for every space, as IIS writes texts with blanks.
  void Plus(std::string_view text) {
    for (char c : text) Put(c == ' ' ? '+' : c);
  }
  bool EndLine() {
    buffer_.append("\r\n");
    return buffer_.size() < kBlock || Flush();
  }
  bool Flush() {
    const bool ok = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
    buffer_.clear();
    return ok;
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  std::FILE* file_;
  std::string buffer_;
};

class Generator {
 public:
  Generator(const GeneratorOptions& options, std::FILE* out)
      : options_(options), random_(options.seed), out_(out) {
    BuildPages();
    BuildVisitors();
    startDay_ = DaysFromCivil(options.startYear, options.startMonth, options.startDay);
  }

  bool Run();

 private:
  struct Session {
    int visitor;
    int pagesLeft;
    int imagesLeft;
    int lastPage;  // -1 before the first request
  };
  struct Event {
    std::int64_t time;  // seconds since the start
    std::uint32_t session;
    bool operator>(const Event& other) const {
      return time != other.time ? time > other.time : session > other.session;
    }
  };

  void BuildPages();
  void BuildVisitors();
  int PickPage();
  int PickImage();
  int PickVisitor();
  std::uint32_t StartSession();
  bool WriteRequest(std::int64_t time, Session& session, int page, bool firstOfSession);
  bool WriteIISHeader(std::int64_t day);
  void PutDate(std::int64_t day);
  void PutReferrer(const Session& session, bool first);

  const GeneratorOptions& options_;
  Random random_;
  Output out_;
  std::vector<Page> pages_;
  std::vector<int> images_;  // indices of image pages
  std::vector<Visitor> visitors_;
  std::size_t nextUnseenPage_ = 0;
  std::size_t nextUnseenVisitor_ = 0;
  std::vector<Session> sessions_;
  std::vector<std::uint32_t> freeSessions_;
  std::int64_t startDay_ = 0;
  std::int64_t headerDay_ = -1;
  std::array<std::string, 5> searchWords_{};
};

void Generator::BuildPages() {
  const int count = std::max(options_.pages, 3);
  pages_.reserve(static_cast<std::size_t>(count));
  pages_.push_back({"/", Kind::kDir});
  pages_.push_back({"/index.html", Kind::kHtml});
  pages_.push_back({"/robots.txt", Kind::kTxt});
  for (int i = static_cast<int>(pages_.size()); i < count; ++i) {
    const double u = random_.Unit();
    Kind kind = u < 0.30   ? Kind::kHtml
                : u < 0.45 ? Kind::kAsp
                : u < 0.65 ? Kind::kGif
                : u < 0.80 ? Kind::kJpg
                : u < 0.84 ? Kind::kZip
                : u < 0.87 ? Kind::kExe
                : u < 0.92 ? Kind::kPdf
                           : Kind::kDir;
    std::string_view dir = kDirectories[random_.Below(kDirectories.size())];
    if (IsImage(kind)) dir = "/images/";
    if (kind == Kind::kZip || kind == Kind::kExe) dir = "/downloads/";
    std::string path(dir);
    path += kWords[random_.Below(kWords.size())];
    path += std::to_string(i);
    static constexpr std::array<std::string_view, 9> kSuffix = {
        ".html", ".asp", ".gif", ".jpg", ".zip", ".exe", ".pdf", "/", ".txt"};
    path += kSuffix[static_cast<std::size_t>(kind)];
    pages_.push_back({std::move(path), kind, random_.Chance(0.03)});
  }
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (IsImage(pages_[i].kind) && !pages_[i].missing) images_.push_back(static_cast<int>(i));
  for (auto& word : searchWords_) {
    word = kWords[random_.Below(kWords.size())];
    word += ' ';
    word += kWords[random_.Below(kWords.size())];
  }
}

void Generator::BuildVisitors() {
  const int count = std::max(options_.visitors, 1);
  std::unordered_set<std::uint32_t> used;
  used.reserve(static_cast<std::size_t>(count) * 2);
  visitors_.reserve(static_cast<std::size_t>(count));
  while (static_cast<int>(visitors_.size()) < count) {
    const auto ip = static_cast<std::uint32_t>(random_.Next() >> 32);
    const unsigned first = ip >> 24;
    if (first == 0 || first == 10 || first == 127 || first >= 224 || !used.insert(ip).second)
      continue;
    const unsigned b = (ip >> 16) & 255, c = (ip >> 8) & 255, d = ip & 255;
    Visitor visitor;
    if (options_.format == LogFormat::kUnix && random_.Chance(0.3)) {
      visitor.address = "dsl-" + std::to_string(first) + "-" + std::to_string(b) + "-" +
                        std::to_string(c) + "-" + std::to_string(d) + ".isp" +
                        std::to_string(first % 7) + ".net";
    } else {
      visitor.address = std::to_string(first) + "." + std::to_string(b) + "." + std::to_string(c) +
                        "." + std::to_string(d);
    }
    visitor.robot = random_.Chance(0.04);
    visitor.agent = static_cast<int>(visitor.robot ? random_.Below(kRobots.size())
                                                   : random_.Below(kBrowsers.size()));
    visitor.http11 = !visitor.robot && random_.Chance(0.85);
    visitors_.push_back(std::move(visitor));
  }
}

// Pages the site has never shown yet come in now and then; otherwise the popular ones.
int Generator::PickPage() {
  const std::size_t count = pages_.size();
  if (nextUnseenPage_ < count && random_.Chance(0.15)) {
    if (nextUnseenPage_ == 2) ++nextUnseenPage_;  // robots.txt is for robots
    if (nextUnseenPage_ < count) return static_cast<int>(nextUnseenPage_++);
  }
  const double u = random_.Unit();
  int page = static_cast<int>(static_cast<double>(count) * u * u * u);
  if (page == 2) page = 1;  // robots.txt is for robots
  return page;
}

int Generator::PickImage() {
  if (images_.empty()) return PickPage();
  const double u = random_.Unit();
  return images_[static_cast<std::size_t>(static_cast<double>(images_.size()) * u * u)];
}

int Generator::PickVisitor() {
  const std::size_t count = visitors_.size();
  if (nextUnseenVisitor_ < count && random_.Chance(0.6))
    return static_cast<int>(nextUnseenVisitor_++);
  const double u = random_.Unit();
  return static_cast<int>(static_cast<double>(std::min(count, nextUnseenVisitor_ + 1)) * u * u);
}

std::uint32_t Generator::StartSession() {
  Session session;
  session.visitor = PickVisitor();
  const bool robot = visitors_[static_cast<std::size_t>(session.visitor)].robot;
  session.pagesLeft = static_cast<int>(robot ? random_.Between(3, 25) : random_.Between(1, 12));
  session.imagesLeft = 0;
  session.lastPage = -1;
  if (!freeSessions_.empty()) {
    const std::uint32_t slot = freeSessions_.back();
    freeSessions_.pop_back();
    sessions_[slot] = session;
    return slot;
  }
  sessions_.push_back(session);
  return static_cast<std::uint32_t>(sessions_.size() - 1);
}

void Generator::PutDate(std::int64_t day) {
  int y, m, d;
  CivilFromDays(startDay_ + day, y, m, d);
  out_.Number(static_cast<std::uint64_t>(y));
  out_.Put('-');
  out_.TwoDigits(m);
  out_.Put('-');
  out_.TwoDigits(d);
}

bool Generator::WriteIISHeader(std::int64_t day) {
  out_.Put("#Software: Microsoft Internet Information Server 4.0");
  out_.EndLine();
  out_.Put("#Version: 1.0");
  out_.EndLine();
  out_.Put("#Date: ");
  PutDate(day);
  out_.Put(" 00:00:00");
  out_.EndLine();
  out_.Put(
      "#Fields: date time c-ip cs-username s-ip s-port cs-method cs-uri-stem cs-uri-query "
      "sc-status sc-bytes cs-bytes time-taken cs-version cs(User-Agent) cs(Referer)");
  return out_.EndLine();
}

void Generator::PutReferrer(const Session& session, bool first) {
  if (session.lastPage >= 0 && !first) {
    out_.Put(kSiteHost);
    out_.Put(pages_[static_cast<std::size_t>(session.lastPage)].path);
    return;
  }
  const std::size_t engine = random_.Below(kSearchReferrers.size() + 3);
  if (engine >= kSearchReferrers.size()) {
    out_.Put('-');
    return;
  }
  out_.Put(kSearchReferrers[engine]);
  const std::string& words = searchWords_[random_.Below(searchWords_.size())];
  // Search words are joined by "+" in the address itself.
  for (char c : words) out_.Put(c == ' ' ? '+' : c);
}

bool Generator::WriteRequest(std::int64_t time, Session& session, int pageIndex, bool first) {
  const Visitor& visitor = visitors_[static_cast<std::size_t>(session.visitor)];
  const Page& page = pages_[static_cast<std::size_t>(pageIndex)];
  const std::int64_t day = time / 86400;
  const int second = static_cast<int>(time % 86400);

  // Method, status, size and time taken by the kind of page.
  std::string_view method = "GET";
  int status = 200;
  std::uint64_t bytes = 0;
  std::uint64_t taken = 0;
  bool query = false;
  switch (page.kind) {
    case Kind::kHtml:
      bytes = random_.Between(1500, 40000);
      taken = random_.Between(10, 400);
      break;
    case Kind::kAsp:
      bytes = random_.Between(3000, 60000);
      taken = random_.Between(30, 2500);
      query = random_.Chance(0.5);
      if (random_.Chance(0.2)) {
        method = "POST";
        if (random_.Chance(0.4)) status = 302;
      } else if (random_.Chance(0.01)) {
        status = 500;
      }
      break;
    case Kind::kGif:
      bytes = random_.Between(100, 20000);
      taken = random_.Between(0, 60);
      break;
    case Kind::kJpg:
      bytes = random_.Between(5000, 300000);
      taken = random_.Between(0, 150);
      break;
    case Kind::kZip:
      bytes = random_.Between(100000, 20000000);
      taken = random_.Between(500, 60000);
      break;
    case Kind::kExe:
      bytes = random_.Between(200000, 30000000);
      taken = random_.Between(800, 90000);
      break;
    case Kind::kPdf:
      bytes = random_.Between(50000, 5000000);
      taken = random_.Between(100, 8000);
      break;
    case Kind::kDir:
      bytes = random_.Between(1500, 30000);
      taken = random_.Between(10, 300);
      if (page.path != "/" && random_.Chance(0.05)) status = 302;
      break;
    case Kind::kTxt:
      bytes = random_.Between(40, 400);
      taken = random_.Between(0, 10);
      break;
  }
  if (IsImage(page.kind) && random_.Chance(0.25)) status = 304;
  if (method == "GET" && random_.Chance(0.015)) method = "HEAD";
  if (page.missing) status = 404;
  if (status == 304 || status == 404 || status == 302 || status == 500 || method == "HEAD")
    bytes = random_.Between(140, 480);

  if (options_.format == LogFormat::kIIS) {
    if (day != headerDay_) {
      WriteIISHeader(day);
      headerDay_ = day;
    }
    PutDate(day);
    out_.Put(' ');
    out_.TwoDigits(second / 3600);
    out_.Put(':');
    out_.TwoDigits(second / 60 % 60);
    out_.Put(':');
    out_.TwoDigits(second % 60);
    out_.Put(' ');
    out_.Put(visitor.address);
    out_.Put(" - ");
    out_.Put(options_.siteIP);
    out_.Put(" 80 ");
    out_.Put(method);
    out_.Put(' ');
    out_.Put(page.path);
    out_.Put(' ');
    if (query) {
      out_.Put("id=");
      out_.Number(random_.Below(kQueryVariants));
      out_.Put("&lang=en");
    } else {
      out_.Put('-');
    }
    out_.Put(' ');
    out_.Number(static_cast<std::uint64_t>(status));
    out_.Put(' ');
    out_.Number(bytes);
    out_.Put(' ');
    out_.Number(static_cast<std::uint64_t>(random_.Between(180, 620)));
    out_.Put(' ');
    out_.Number(taken);
    out_.Put(visitor.http11 ? " HTTP/1.1 " : " HTTP/1.0 ");
    out_.Plus(visitor.robot ? kRobots[static_cast<std::size_t>(visitor.agent)]
                            : kBrowsers[static_cast<std::size_t>(visitor.agent)]);
    out_.Put(' ');
    if (visitor.robot)
      out_.Put('-');
    else
      PutReferrer(session, first);
  } else {
    int y, m, d;
    CivilFromDays(startDay_ + day, y, m, d);
    out_.Put(visitor.address);
    out_.Put(" - - [");
    out_.TwoDigits(d);
    out_.Put('/');
    out_.Put(kMonths[static_cast<std::size_t>(m - 1)]);
    out_.Put('/');
    out_.Number(static_cast<std::uint64_t>(y));
    out_.Put(':');
    out_.TwoDigits(second / 3600);
    out_.Put(':');
    out_.TwoDigits(second / 60 % 60);
    out_.Put(':');
    out_.TwoDigits(second % 60);
    out_.Put(' ');
    out_.Put(options_.zone);
    out_.Put("] \"");
    out_.Put(method);
    out_.Put(' ');
    out_.Put(page.path);
    if (query) {
      out_.Put("?id=");
      out_.Number(random_.Below(kQueryVariants));
    }
    out_.Put(visitor.http11 ? " HTTP/1.1\" " : " HTTP/1.0\" ");
    out_.Number(static_cast<std::uint64_t>(status));
    out_.Put(' ');
    if (status == 304)
      out_.Put('-');
    else
      out_.Number(bytes);
    if (options_.combined) {
      out_.Put(" \"");
      if (visitor.robot)
        out_.Put('-');
      else
        PutReferrer(session, first);
      out_.Put("\" \"");
      out_.Put(visitor.robot ? kRobots[static_cast<std::size_t>(visitor.agent)]
                             : kBrowsers[static_cast<std::size_t>(visitor.agent)]);
      out_.Put('"');
    }
  }
  return out_.EndLine();
}

bool Generator::Run() {
  const std::int64_t period = static_cast<std::int64_t>(options_.days) * 86400;
  std::priority_queue<Event, std::vector<Event>, std::greater<>> queue;
  double linesPerSession = 8;  // running estimate, keeps the arrivals on schedule
  std::uint64_t finishedSessions = 0, finishedLines = 0;
  std::vector<std::uint64_t> sessionLines;

  std::int64_t nextArrival = 0;
  std::uint64_t written = 0;
  bool ok = true;
  while (written < options_.lines && ok) {
    if (queue.empty() || nextArrival < queue.top().time) {
      // A new visit begins.
      const std::uint32_t slot = StartSession();
      if (sessionLines.size() <= slot) sessionLines.resize(slot + 1);
      sessionLines[slot] = 0;
      queue.push({nextArrival, slot});
      const double remainingLines = static_cast<double>(options_.lines - written);
      const double remainingTime = std::max<double>(static_cast<double>(period - nextArrival), 60);
      const double meanGap = remainingTime / (remainingLines / linesPerSession + 1);
      const double weight = kHourWeight[static_cast<std::size_t>(nextArrival % 86400 / 3600)];
      const double gap = -std::log(1 - random_.Unit()) * meanGap / weight;
      // Everything stays inside the days asked for.
      nextArrival = std::min(nextArrival + static_cast<std::int64_t>(gap + 0.5), period - 1);
      continue;
    }
    const Event event = queue.top();
    queue.pop();
    Session& session = sessions_[event.session];
    const Visitor& visitor = visitors_[static_cast<std::size_t>(session.visitor)];
    int page;
    const bool first = session.lastPage < 0;
    if (session.imagesLeft > 0) {
      page = PickImage();
      --session.imagesLeft;
    } else {
      if (first && visitor.robot)
        page = 2;  // robots.txt
      else if (first && random_.Chance(0.4))
        page = static_cast<int>(random_.Below(2));  // the home page
      else
        page = PickPage();
      // A visit begins on a page, not on one of its pictures.
      for (int tries = 0;
           first && tries < 8 && IsImage(pages_[static_cast<std::size_t>(page)].kind); ++tries)
        page = PickPage();
      --session.pagesLeft;
      if (!visitor.robot && IsDocument(pages_[static_cast<std::size_t>(page)].kind))
        session.imagesLeft = static_cast<int>(random_.Below(4));
    }
    ok = WriteRequest(event.time, session, page, first);
    ++written;
    ++sessionLines[event.session];
    if (!IsImage(pages_[static_cast<std::size_t>(page)].kind)) session.lastPage = page;

    if (session.pagesLeft > 0 || session.imagesLeft > 0) {
      std::int64_t gap;
      if (session.imagesLeft > 0)
        gap = random_.Between(0, 2);  // embedded images follow their page at once
      else if (random_.Chance(0.05))
        gap = random_.Between(16 * 60, 45 * 60);  // back after a pause: a new visit
      else
        gap = random_.Between(15, 6 * 60);
      queue.push({std::min(event.time + gap, period - 1), event.session});
    } else {
      ++finishedSessions;
      finishedLines += sessionLines[event.session];
      linesPerSession = static_cast<double>(finishedLines) / static_cast<double>(finishedSessions);
      freeSessions_.push_back(event.session);
    }
  }
  return out_.Flush() && ok;
}

}  // namespace

std::string ValidateOptions(const GeneratorOptions& options) {
  if (options.visitors < 1) return "the number of visitors must be at least 1";
  if (options.pages < 3) return "the number of pages must be at least 3";
  if (options.days < 1) return "the number of days must be at least 1";
  if (options.startYear < 1601 || options.startYear > 9000 || options.startMonth < 1 ||
      options.startMonth > 12 || options.startDay < 1 || options.startDay > 31)
    return "the start date must be a date YYYY-MM-DD";
  int y, m, d;
  CivilFromDays(DaysFromCivil(options.startYear, options.startMonth, options.startDay), y, m, d);
  if (y != options.startYear || m != options.startMonth || d != options.startDay)
    return "the start date is no calendar date";
  if (options.zone.size() != 5 || (options.zone[0] != '+' && options.zone[0] != '-'))
    return "the zone must read +HHMM or -HHMM";
  return {};
}

bool GenerateLog(const GeneratorOptions& options, std::FILE* out) {
  Generator generator(options, out);
  return generator.Run();
}

}  // namespace kestrune::loggen
