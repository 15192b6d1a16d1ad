// LineError: a line whose content cannot be read (an invalid date, time of day or time
// zone). Its message names the offending text; the readers add the line number and the
// file name before it leaves them as a plain kestrune::Error.
#pragma once

#include "util/error.h"

namespace kestrune {

class LineError : public Error {
 public:
  using Error::Error;
};

}  // namespace kestrune
