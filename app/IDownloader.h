#pragma once
// Blocking download of a web address into a file.
#include <string>

class IDownloader {
public:
    virtual ~IDownloader() = default;
    // Downloads `url` into `filePath`; false on any failure.
    virtual bool Download(const std::string& url, const std::string& filePath) = 0;
};
