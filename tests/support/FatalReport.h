// Runs an action that must end in a fatal report, in a child process, and checks how the
// process ended and what the debug log holds afterwards.
#pragma once

#include <functional>
#include <string>

namespace vialmark::testing {

// How a process that StopProcess ended looks to its parent: SIGABRT on POSIX, exit code 3 on
// Windows.
bool EndedByStopProcess(int exitStatus);

// The child opens the debug log at logPath (emptied), runs action, and would log a line of its
// own if action returned. The child must end abnormally, and the log must hold exactly
// expectedLine: nothing after the report ran.
void ExpectFatalReport(const std::string& logPath, const std::function<void()>& action,
                       const std::string& expectedLine);

}  // namespace vialmark::testing
