#include "app/CurlDownloader.h"

#include <curl/curl.h>

#include <fstream>
#include <memory>

namespace {

constexpr size_t kMaxAnswer = 1 << 20;

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;

size_t Collect(char* data, size_t size, size_t count, void* target)
{
    auto* body = static_cast<std::string*>(target);
    // the version file is a few hundred bytes; a huge answer is not one
    if (body->size() + size * count > kMaxAnswer)
        return 0;
    body->append(data, size * count);
    return size * count;
}

}  // namespace

bool CurlDownloader::Download(const std::string& url, const std::string& filePath)
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        return false;
    CurlPtr curl{curl_easy_init()};
    if (!curl)
        return false;
    std::string body;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, timeoutSeconds_);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl.get()) != CURLE_OK)
        return false;

    std::ofstream out(filePath, std::ios::binary | std::ios::trunc);
    out << body;
    out.close();
    return static_cast<bool>(out);
}
