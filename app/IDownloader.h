#pragma once
// Blocking download of a web address into a file, run off the UI thread.
#include <atomic>
#include <string>

struct DownloadResult {
    enum class Outcome {
        Done,  // the whole answer was saved
        ConnectFailed,  // no connection (refused, no network, unknown host)
        TimedOut,  // connected, but the answer did not come in time
        HttpError,  // the server answered with an error status
        TooLarge,  // the answer is far bigger than any version file
        Cancelled,  // `cancel` was set
        WriteFailed,  // the file could not be written
    };
    Outcome outcome = Outcome::ConnectFailed;
    long httpStatus = 0;  // the server's status when it answered
};

class IDownloader {
public:
    virtual ~IDownloader() = default;
    // Downloads `url` into `filePath`; gives up soon after `cancel` becomes true.
    virtual DownloadResult Download(const std::string& url, const std::string& filePath,
                                    const std::atomic<bool>& cancel) = 0;
};
