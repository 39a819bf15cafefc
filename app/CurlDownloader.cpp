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

bool Connected(CURL* curl)
{
    curl_off_t connectUs = 0;
    return curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectUs) == CURLE_OK && connectUs > 0;
}

// Called at least once a second while the transfer runs, also when nothing arrives.
int Progress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

}  // namespace

DownloadResult CurlDownloader::Download(const std::string& url, const std::string& filePath,
                                        const std::atomic<bool>& cancel)
{
    using Outcome = DownloadResult::Outcome;
    DownloadResult result;
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        return result;
    CurlPtr curl{curl_easy_init()};
    if (!curl)
        return result;
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
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel));
    const CURLcode code = curl_easy_perform(curl.get());
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &result.httpStatus);
    switch (code) {
    case CURLE_OK:
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        result.outcome = Outcome::Cancelled;
        return result;
    case CURLE_OPERATION_TIMEDOUT:
        // a connection that never came is no time-out of an answer
        result.outcome = result.httpStatus == 0 && !Connected(curl.get()) ? Outcome::ConnectFailed : Outcome::TimedOut;
        return result;
    case CURLE_HTTP_RETURNED_ERROR:
        result.outcome = Outcome::HttpError;
        return result;
    case CURLE_WRITE_ERROR:
        result.outcome = Outcome::TooLarge;
        return result;
    default:
        result.outcome = Outcome::ConnectFailed;
        return result;
    }

    std::ofstream out(filePath, std::ios::binary | std::ios::trunc);
    out << body;
    out.close();
    result.outcome = out ? Outcome::Done : Outcome::WriteFailed;
    return result;
}
