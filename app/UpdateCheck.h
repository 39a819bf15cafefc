#pragma once
// The online update check of the window "网上升级": fetches the version file
// from the update server, compares it with this program's version and offers
// the download link of a newer one. Toolkit-free; the window shows State().
#include "app/IDownloader.h"
#include "app/IShell.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
        std::string status = "状态信息:";     // Label7
        int progress = 0;                    // suiProgressBar1, 0..100
        bool downloadEnabled = false;        // 开始下载
    };

    // `updateFile` is where the version file is saved (update.ini).
    UpdateCheck(IDownloader& downloader, IShell& shell, std::string serverAddress, std::string updateFile);

    const State& Current() const { return state_; }
    const std::string& CurrentVersion() const { return currentVersion_; }
    const std::string& DownloadLink() const { return downloadLink_; }
    // Called after every visible change, so a blocking check can repaint.
    void SetChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    void FormShow();
    void CheckClick();     // 检测升级
    void DownloadClick();  // 开始下载

private:
    void Changed();
    void Fail();

    IDownloader& downloader_;
    IShell& shell_;
    std::string serverAddress_;
    std::string updateFile_;
    std::string currentVersion_ = kCurrentVersion;
    std::string downloadLink_;
    State state_;
    std::function<void()> changed_;
};
