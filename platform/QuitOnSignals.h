#pragma once

// SIGINT and SIGTERM quit the Qt event loop (through a socket pair, the one safe way out of a
// signal handler), so the shutdown sequence runs after exec() returns.
void quitEventLoopOnSignals();
