#pragma once
// The online update check of the window "网上升级": fetches the version file
// from the update server on a worker thread, compares it with this program's
// version and offers the download link of a newer one. Toolkit-free; the
// window shows State().
#include "app/IDownloader.h"
#include "app/IShell.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The [version] section of a downloaded version file.
struct UpdateFileInfo {
    std::string newVersion;  // "new"
    std::string date;
    std::string links1;
    std::string size;
};

// Reads the version file's text. Nothing when it holds no non-empty "new"
// value, which is what an error page or an empty answer gives.
std::optional<UpdateFileInfo> ReadUpdateFile(std::string_view text);

// Whether `link` is a web address (http or https) the desktop may be asked to open.
bool IsWebLink(std::string_view link);

// The update server's address: QUORVEX_UPDATE_SERVER when set, else the one
// the program was built with.
std::string UpdateServerAddress();

class UpdateCheck {
public:
    static constexpr const char* kCurrentVersion = "1.63";
    static constexpr const char* kServerPath = "/dorovo/quorvex_pu.txt";

    struct State {
        std::vector<std::string> memoLines;  // suiMemo1
        std::string status = "状态信息:";  // Label7
        int progress = 0;  // suiProgressBar1, 0..100
        bool downloadEnabled = false;  // 开始下载
        bool checking = false;  // the download runs; 检测升级 waits
        bool failed = false;  // the last check ended without an answer to show
    };
    // The texts of the ways a check fails.
    static constexpr const char* kConnectFailed = "连接失败!可能网络忙或没连接到网络...";
    static constexpr const char* kTimedOut = "连接超时!软件网站没有回答,可能网络忙,请稍后再试...";
    static constexpr const char* kNotAVersionFile = "软件网站返回的不是版本文件,暂时无法检测新版本,请稍后再试...";
    static constexpr const char* kCancelled = "检测已取消.";
    static constexpr const char* kNotSaved = "无法保存版本文件,请检查程序目录是否可写...";

    // `updateFile` is where the version file is saved (update.ini).
    UpdateCheck(IDownloader& downloader, IShell& shell, std::string serverAddress, std::string updateFile);
    // Cancels a running check and waits for its worker.
    ~UpdateCheck();

    // How the worker's result reaches the UI thread: `post` must run the
    // given work there soon, without waiting. Without one the result waits
    // for WaitForResult().
    void SetPostToMainThread(std::function<void(std::function<void()>)> post) { post_ = std::move(post); }

    const State& Current() const { return state_; }
    const std::string& CurrentVersion() const { return currentVersion_; }
    const std::string& DownloadLink() const { return downloadLink_; }
    // Called after every visible change, so a blocking check can repaint.
    void SetChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    void FormShow();
    void CheckClick();  // 检测升级: starts the worker and returns
    void DownloadClick();  // 开始下载
    // 返回 or closing: the worker gives up at its next chance.
    void Cancel();
    // Waits for the worker and shows its result (closing, tests).
    void WaitForResult();

private:
    void Changed();
    void Fail(const std::string& text);
    void JoinWorker();
    // UI thread: shows what the worker of check `serial` found.
    void ApplyResult(unsigned serial);
    void ShowVersionFile();

    IDownloader& downloader_;
    IShell& shell_;
    std::string serverAddress_;
    std::string updateFile_;
    std::string currentVersion_ = kCurrentVersion;
    std::string downloadLink_;
    State state_;
    std::function<void()> changed_;
    std::function<void(std::function<void()>)> post_;

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    unsigned serial_ = 0;  // the check the window waits for
    std::mutex resultLock_;  // guards result_, resultSerial_
    std::optional<DownloadResult> result_;
    unsigned resultSerial_ = 0;
    // posted work holds a weak reference: a check destroyed meanwhile is left alone
    std::shared_ptr<UpdateCheck*> alive_ = std::make_shared<UpdateCheck*>(this);
};
