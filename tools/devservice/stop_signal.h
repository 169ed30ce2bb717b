// Orderly shutdown on SIGTERM / SIGINT: the handlers only raise a flag that the
// accept loop and every waiting or streaming step look at.
#pragma once

#include <chrono>

void installStopSignalHandlers();
bool stopRequested();
// Raises the same flag from inside the process (lifetime watch).
void requestStop();

// Sleeps in short slices; returns false as soon as a stop was requested.
bool sleepUnlessStopped(std::chrono::milliseconds duration);
