#include "app/UpdateCheck.h"

#include "app/IniDocument.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef QUORVEX_UPDATE_SERVER_DEFAULT
#define QUORVEX_UPDATE_SERVER_DEFAULT "https://quorvex.example.org"
#endif

std::optional<UpdateFileInfo> ReadUpdateFile(std::string_view text)
{
    const IniDocument document = IniDocument::Parse(text);
    UpdateFileInfo info;
    info.newVersion = document.Value("version", "new").value_or("");
    if (info.newVersion.empty())
        return std::nullopt;
    info.date = document.Value("version", "date").value_or("");
    info.links1 = document.Value("version", "links1").value_or("");
    info.size = document.Value("version", "size").value_or("");
    return info;
}

bool IsWebLink(std::string_view link)
{
    auto startsWith = [link](std::string_view scheme) {
        if (link.size() <= scheme.size())
            return false;
        for (size_t i = 0; i < scheme.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(link[i])) != scheme[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

std::string UpdateServerAddress()
{
    const char* overridden = std::getenv("QUORVEX_UPDATE_SERVER");
    return overridden && *overridden ? overridden : QUORVEX_UPDATE_SERVER_DEFAULT;
}

UpdateCheck::UpdateCheck(IDownloader& downloader, IShell& shell, std::string serverAddress, std::string updateFile)
    : downloader_(downloader), shell_(shell), serverAddress_(std::move(serverAddress)),
      updateFile_(std::move(updateFile))
{}

UpdateCheck::~UpdateCheck()
{
    alive_.reset();
    cancel_ = true;
    JoinWorker();
}

void UpdateCheck::Changed()
{
    if (changed_)
        changed_();
}

void UpdateCheck::FormShow()
{
    const bool checking = state_.checking;
    state_ = State{};
    state_.checking = checking;
    Changed();
}

void UpdateCheck::Fail(const std::string& text)
{
    state_.status = text;
    state_.memoLines = {text};
    state_.progress = 0;
    state_.downloadEnabled = false;
    state_.failed = true;
    downloadLink_.clear();
    Changed();
}

void UpdateCheck::JoinWorker()
{
    if (worker_.joinable())
        worker_.join();
}

void UpdateCheck::CheckClick()
{
    if (state_.checking)
        return;
    JoinWorker();  // a cancelled check that has not ended yet
    cancel_ = false;
    const unsigned serial = ++serial_;
    state_.status = "正在连接软件网站....";
    state_.memoLines = {"正在连接软件网站,请您耐心等待...."};
    state_.progress = 20;
    state_.downloadEnabled = false;
    state_.failed = false;
    state_.checking = true;
    Changed();

    std::weak_ptr<UpdateCheck*> alive = alive_;
    worker_ = std::thread([this, serial, alive, url = serverAddress_ + kServerPath, file = updateFile_] {
        const DownloadResult result = downloader_.Download(url, file, cancel_);
        {
            std::lock_guard guard(resultLock_);
            result_ = result;
            resultSerial_ = serial;
        }
        if (post_)
            post_([alive, serial] {
                if (const std::shared_ptr<UpdateCheck*> check = alive.lock())
                    (*check)->ApplyResult(serial);
            });
    });
}

void UpdateCheck::Cancel() { cancel_ = true; }

void UpdateCheck::WaitForResult()
{
    JoinWorker();
    ApplyResult(serial_);
}

void UpdateCheck::ApplyResult(unsigned serial)
{
    std::optional<DownloadResult> result;
    {
        std::lock_guard guard(resultLock_);
        if (!result_ || resultSerial_ != serial || serial != serial_)
            return;
        result = result_;
        result_.reset();
    }
    state_.checking = false;
    using Outcome = DownloadResult::Outcome;
    switch (result->outcome) {
    case Outcome::Done:
        ShowVersionFile();
        return;
    case Outcome::Cancelled:
        Fail(kCancelled);
        return;
    case Outcome::TimedOut:
        Fail(kTimedOut);
        return;
    case Outcome::HttpError:
    case Outcome::TooLarge:
        Fail(kNotAVersionFile);
        return;
    case Outcome::WriteFailed:
        Fail(kNotSaved);
        return;
    case Outcome::ConnectFailed:
        Fail(kConnectFailed);
        return;
    }
}

void UpdateCheck::ShowVersionFile()
{
    state_.progress = 50;
    state_.status = "正在检测新版本的程序....";
    Changed();

    std::ifstream in(updateFile_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::optional<UpdateFileInfo> info = ReadUpdateFile(text.str());
    // an answer without a version (an error page, an empty file) is no version file
    if (!info) {
        Fail(kNotAVersionFile);
        return;
    }
    if (info->newVersion != currentVersion_) {
        state_.memoLines.clear();
        state_.status = "发现新版本程序,您可以升级下载新版本。";
        state_.memoLines = {"发现新版本程序....",
                            "软件名称:Quorvex",
                            "最新版本:" + info->newVersion,
                            "更新日期:" + info->date,
                            "软件大小:" + info->size,
                            "下载链接:" + info->links1,
                            ""};
        // Only a web address goes to the desktop's open action; anything else
        // stays text the user can read.
        if (IsWebLink(info->links1)) {
            state_.downloadEnabled = true;
            downloadLink_ = info->links1;
        }
        state_.progress = 100;
        state_.memoLines.push_back(
            "检测完成,您可以点击<开始下载>按钮打开下载最新升级版本。推荐您使用（网际快车）软件下载。");
    } else {
        const std::string text = "没有检测到新版本,现在使用的为最新版本!";
        state_.status = text;
        state_.memoLines = {text};
        state_.progress = 100;
    }
    Changed();
}

void UpdateCheck::DownloadClick()
{
    state_.memoLines.clear();
    Changed();
    if (IsWebLink(downloadLink_))
        shell_.OpenDefault(downloadLink_);
}
