#pragma once
// Blocking download of a web address into a file with libcurl. An HTTP error
// status, a refused connection or a time-out is a failure; the file is only
// written when the whole answer arrived.
#include "app/IDownloader.h"

class CurlDownloader final : public IDownloader {
public:
    explicit CurlDownloader(long timeoutSeconds = 30) : timeoutSeconds_(timeoutSeconds) {}
    bool Download(const std::string& url, const std::string& filePath) override;

private:
    long timeoutSeconds_;
};
