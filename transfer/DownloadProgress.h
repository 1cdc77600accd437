#pragma once
// The progress of one download as shown to the user; lParam of EV_PROGRESS and
// EV_FINISHED, deleted by the receiver.
#include <cstdint>

struct CDownloadProgress {
    int64_t totalSize = 0;
    int64_t downloaded = 0;
    double speed = 0.0;    // bytes per second, counting only bytes beyond those present at the start
    double percent = 0.0;  // downloaded / totalSize * 100
    uint32_t elapsedSeconds = 0;
    int32_t downloadId = 0;
};
