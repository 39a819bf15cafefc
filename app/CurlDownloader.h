#pragma once
// Download of a web address into a file with libcurl. An HTTP error status, a
// refused connection, a time-out or a cancel is a failure; the file is only
// written when the whole answer arrived.
#include "app/IDownloader.h"

class CurlDownloader final : public IDownloader {
public:
    explicit CurlDownloader(long timeoutSeconds = 20) : timeoutSeconds_(timeoutSeconds) {}
    DownloadResult Download(const std::string& url, const std::string& filePath,
                            const std::atomic<bool>& cancel) override;

private:
    long timeoutSeconds_;
};
