#include "AppFakes.h"
#include "LocalHttpServer.h"
#include "SilentServer.h"
#include "app/CurlDownloader.h"
#include "app/UpdateCheck.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

namespace {

using apptest::LocalHttpServer;

const std::string kNoNewVersion = "没有检测到新版本,现在使用的为最新版本!";
const std::string kFailure = UpdateCheck::kConnectFailed;
const std::string kNotAVersionFile = UpdateCheck::kNotAVersionFile;

std::string VersionFile(const std::string& version, const std::string& link)
{
    return "[version]\r\nnew=" + version + "\r\ndate=2026-11-30\r\nlinks1=" + link + "\r\nsize=12.5 MB\r\n";
}

class UpdateCheckTest : public ::testing::Test {
protected:
    // Runs one check against a server that answers the version path with `answer`.
    UpdateCheck::State CheckWith(const LocalHttpServer::Answer& answer)
    {
        LocalHttpServer server({{UpdateCheck::kServerPath, answer}});
        return CheckAt(server.Address());
    }
    UpdateCheck::State CheckAt(const std::string& address)
    {
        check_ = std::make_unique<UpdateCheck>(downloader_, shell_, address, dir_.path() + "/update.ini");
        check_->FormShow();
        check_->CheckClick();
        EXPECT_TRUE(check_->Current().checking);
        check_->WaitForResult();
        EXPECT_FALSE(check_->Current().checking);
        return check_->Current();
    }
    qtest::ScratchDir dir_;
    CurlDownloader downloader_{5};
    apptest::FakeShell shell_;
    std::unique_ptr<UpdateCheck> check_;
};

TEST_F(UpdateCheckTest, SameVersionIsNoNews)
{
    const UpdateCheck::State state = CheckWith({200, VersionFile("1.63", "http://127.0.0.1/q.zip")});
    EXPECT_EQ(state.status, kNoNewVersion);
    EXPECT_EQ(state.memoLines, std::vector<std::string>{kNoNewVersion});
    EXPECT_EQ(state.progress, 100);
    EXPECT_FALSE(state.downloadEnabled);
    EXPECT_EQ(apptest::ReadText(dir_.path() + "/update.ini"), VersionFile("1.63", "http://127.0.0.1/q.zip"));
}

TEST_F(UpdateCheckTest, OtherVersionOffersTheWebLink)
{
    const std::string link = "https://downloads.example.org/quorvex-1.62.zip";
    const UpdateCheck::State state = CheckWith({200, VersionFile("1.62", link)});
    EXPECT_EQ(state.status, "发现新版本程序,您可以升级下载新版本。");
    const std::vector<std::string> lines = {
        "发现新版本程序....",
        "软件名称:Quorvex",
        "最新版本:1.62",
        "更新日期:2026-11-30",
        "软件大小:12.5 MB",
        "下载链接:" + link,
        "",
        "检测完成,您可以点击<开始下载>按钮打开下载最新升级版本。推荐您使用（网际快车）软件下载。"};
    EXPECT_EQ(state.memoLines, lines);
    EXPECT_EQ(state.progress, 100);
    EXPECT_TRUE(state.downloadEnabled);
    check_->DownloadClick();
    EXPECT_EQ(shell_.opened, std::vector<std::string>{link});
    EXPECT_TRUE(check_->Current().memoLines.empty());
    // every show returns to idle; the link found last stays
    check_->FormShow();
    EXPECT_FALSE(check_->Current().downloadEnabled);
    EXPECT_EQ(check_->Current().status, "状态信息:");
    EXPECT_EQ(check_->DownloadLink(), link);
}

TEST_F(UpdateCheckTest, AnswersWithoutAVersionReadAsNoVersionFile)
{
    const struct {
        const char* name;
        LocalHttpServer::Answer answer;
    } cases[] = {
        {"404", {404, VersionFile("1.62", "http://x/")}},
        {"server error", {500, ""}},
        {"html error page", {200, "<html><body><h1>Service unavailable</h1></body></html>"}},
        {"empty file", {200, ""}},
        {"empty version", {200, VersionFile("", "http://x/")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const UpdateCheck::State state = CheckWith(c.answer);
        EXPECT_EQ(state.status, kNotAVersionFile);
        EXPECT_EQ(state.memoLines, std::vector<std::string>{kNotAVersionFile});
        EXPECT_FALSE(state.downloadEnabled);
        EXPECT_TRUE(state.failed);
        EXPECT_EQ(state.progress, 0);
    }
}

TEST_F(UpdateCheckTest, FailureAfterAFoundVersionTakesTheOfferBack)
{
    CheckWith({200, VersionFile("1.62", "https://downloads.example.org/q.zip")});
    ASSERT_TRUE(check_->Current().downloadEnabled);
    LocalHttpServer server({{UpdateCheck::kServerPath, {404, ""}}});
    check_ = std::make_unique<UpdateCheck>(downloader_, shell_, server.Address(), dir_.path() + "/update.ini");
    check_->CheckClick();
    check_->WaitForResult();
    EXPECT_FALSE(check_->Current().downloadEnabled);
    EXPECT_TRUE(check_->DownloadLink().empty());
    check_->DownloadClick();
    EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(UpdateCheckTest, ServerThatNeverAnswersTimesOutOrIsCancelled)
{
    apptest::SilentServer server;
    ASSERT_TRUE(server.Listening());
    CurlDownloader quick{1};
    UpdateCheck timed(quick, shell_, server.Address(), dir_.path() + "/update.ini");
    timed.CheckClick();
    timed.WaitForResult();
    EXPECT_EQ(timed.Current().status, UpdateCheck::kTimedOut);
    EXPECT_TRUE(timed.Current().failed);

    CurlDownloader patient{600};
    UpdateCheck cancelled(patient, shell_, server.Address(), dir_.path() + "/update.ini");
    cancelled.CheckClick();
    cancelled.Cancel();
    cancelled.WaitForResult();  // within about a second, not ten minutes
    EXPECT_EQ(cancelled.Current().status, UpdateCheck::kCancelled);
    EXPECT_FALSE(cancelled.Current().checking);
}

TEST_F(UpdateCheckTest, RefusedConnectionIsAFailedCheck)
{
    std::string address;
    {
        address = LocalHttpServer({}).Address();
    }  // the port is closed again
    const UpdateCheck::State state = CheckAt(address);
    EXPECT_EQ(state.status, kFailure);
    EXPECT_EQ(state.progress, 0);
    EXPECT_TRUE(state.failed);
}

TEST_F(UpdateCheckTest, LinksThatAreNoWebAddressesAreOnlyShown)
{
    for (const std::string link : {"file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "http://"}) {
        SCOPED_TRACE(link);
        const UpdateCheck::State state = CheckWith({200, VersionFile("1.62", link)});
        EXPECT_EQ(state.status, "发现新版本程序,您可以升级下载新版本。");
        EXPECT_NE(std::find(state.memoLines.begin(), state.memoLines.end(), "下载链接:" + link), state.memoLines.end());
        EXPECT_FALSE(state.downloadEnabled);
        check_->DownloadClick();
        EXPECT_TRUE(shell_.opened.empty());
    }
}

TEST(UpdateFile, ReadsTheVersionSection)
{
    const auto info =
        ReadUpdateFile("; comment\n[Version]\nNEW = 1.70 \ndate=d\nlinks1=http://a/b\nsize=3\n[other]\nnew=9\n");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->newVersion, "1.70");
    EXPECT_EQ(info->date, "d");
    EXPECT_EQ(info->links1, "http://a/b");
    EXPECT_EQ(info->size, "3");
    EXPECT_FALSE(ReadUpdateFile("[other]\nnew=1.62\n"));
    EXPECT_FALSE(ReadUpdateFile(std::string("\0\xff[version\nnew", 14)));
}

TEST(UpdateFile, ServerAddressFromTheEnvironment)
{
    setenv("QUORVEX_UPDATE_SERVER", "http://127.0.0.1:9", 1);
    EXPECT_EQ(UpdateServerAddress(), "http://127.0.0.1:9");
    unsetenv("QUORVEX_UPDATE_SERVER");
    EXPECT_FALSE(UpdateServerAddress().empty());
}

}  // namespace
