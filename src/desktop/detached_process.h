// Starting a program that outlives this one: started in a session of its own by a
// grandchild process (which init adopts, so no zombie is left behind), never through a
// shell, with this process's environment, current directory and standard files.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// Runs `program` (a path to an executable file) with `arguments` after its name. True
// once it runs; false when it could not be started (the system's reason in `error`, an
// errno code).
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                   int& error);

}  // namespace kestrune
