// The options of the UNIX reader, both off by default; with both off a line is read
// exactly as the common format has always been read.
#pragma once

namespace kestrune {

struct UnixReadOptions {
  // Combined format: the quoted referrer and user agent after the byte count go into
  // the entry's Referrer and UserAgent ("-" as the referrer counts as none).
  bool combined = false;
  // The line keeps its letter case instead of being upper-cased as a whole; the method
  // and the extension are still upper-cased.
  bool keepCase = false;
};

}  // namespace kestrune
