// veltra-tune panel: a page in the browser that steers the effect through the
// tuning server, served by a small HTTP server of this tool.
#pragma once

namespace VeltraTune {

// Runs "veltra-tune panel ARGS..." (argv[0] is "panel") until SIGINT or
// SIGTERM; returns the exit status.
int RunPanel(int argc, char** argv);

}  // namespace VeltraTune
