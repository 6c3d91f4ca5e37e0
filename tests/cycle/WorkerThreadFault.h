// Makes the creation of CheckStatistics worker threads fail on request, the
// way it fails when the process is out of threads or memory.
#pragma once

// The next count attempts to start a CheckStatistics thread fail with
// ERROR_NOT_ENOUGH_MEMORY; other threads start as usual.
void FailNextWorkerThreads(int count);
