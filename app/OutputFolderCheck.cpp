#include "app/OutputFolderCheck.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string FolderErrorReason(int errorNumber)
{
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return "没有写入这个文件夹的权限";
    case EROFS:
        return "文件夹所在的磁盘是只读的";
    case ENOENT:
        return "文件夹不存在，也无法创建";
    case ENOTDIR:
    case EEXIST:
        return "路径中有一部分是文件，不是文件夹";
    case ENOSPC:
        return "磁盘空间已满";
    case EDQUOT:
        return "磁盘配额已用完";
    case ENAMETOOLONG:
        return "路径太长";
    case ELOOP:
        return "路径中的链接太多";
    default:
        return "系统错误（代码 " + std::to_string(errorNumber) + "）";
    }
}

std::optional<std::string> OutputFolderProblem(const std::string& folder)
{
    auto problem = [&folder](int errorNumber) {
        return "无法写入输出文件夹：" + folder + "\n原因：" + FolderErrorReason(errorNumber) +
               "。\n请点击“浏览...”选择另一个输出文件夹。";
    };
    if (folder.empty())
        return problem(ENOENT);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec)
            return problem(ec.value());
        if (!fs::is_directory(folder, ec))
            return problem(ENOTDIR);
    }
    // a real attempt answers for read-only disks, full quotas and root alike
    const std::string probe = (fs::path(folder) / ".quorvex-write-test").string();
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) {  // left by an earlier check that was cut short
        ::unlink(probe.c_str());
        fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return problem(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return std::nullopt;
}
