#pragma once

#include "startup/cli/CliOptions.h"

// The commands of telvaro-cli. Each runs the exchanges, the reads and the file writers of the
// program's core as the windows run them, reports on standard error and returns the exit status.
namespace cli {

int runPorts(const Request &request);
int runPages(const Request &request);
int runRead(const Request &request);
int runLive(const Request &request);
int runRecover(const Request &request);

} // namespace cli
