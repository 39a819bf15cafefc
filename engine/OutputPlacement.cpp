#include "engine/OutputPlacement.h"

#include "media/MediaText.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* NewMark = "(New_";
// Part names tried before giving up (each one is held by a running conversion).
constexpr int kMaxPartAttempts = 1000;

size_t FileNameStart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::string Extension(const std::string& path)
{
    const size_t dot = path.rfind('.');
    return dot == std::string::npos || dot < FileNameStart(path) ? std::string() : path.substr(dot);
}

std::string SystemError(const std::string& path, int code) { return ErrorText(path, AVERROR(code)); }

// rename(2) that fails with EEXIST instead of replacing; link + unlink where
// the file system has no such rename.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (link(from.c_str(), to.c_str()) != 0)
        return -1;
    unlink(from.c_str());
    return 0;
}

}  // namespace

std::string NumberedFileName(const std::string& name, int n)
{
    const std::string extension = Extension(name);
    return name.substr(0, name.size() - extension.size()) + NewMark + std::to_string(n) + ")" + extension;
}

bool HasFileNumber(const std::string& name) { return name.find(NewMark, FileNameStart(name)) != std::string::npos; }

std::string WithoutFileNumber(const std::string& name)
{
    const size_t mark = name.find(NewMark, FileNameStart(name));
    if (mark == std::string::npos)
        return name;
    return name.substr(0, mark) + Extension(name);
}

std::string PartFileName(const std::string& finalName, int attempt)
{
    const size_t start = FileNameStart(finalName);
    const std::string number = attempt > 0 ? "." + std::to_string(attempt) : std::string();
    return finalName.substr(0, start) + "." + finalName.substr(start) + number + ".part";
}

PartFile::~PartFile() { Release(); }

void PartFile::Release()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool PartFile::Claim(const std::string& finalName, std::string& error)
{
    Release();
    for (int attempt = 0; attempt < kMaxPartAttempts; ++attempt) {
        const std::string name = PartFileName(finalName, attempt);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            error = SystemError(finalName, errno);
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            close(fd);
            if (code == EWOULDBLOCK)
                continue;  // another conversion writes this one
            error = SystemError(finalName, code);
            return false;
        }
        // what a killed run left here is taken over from its start
        if (ftruncate(fd, 0) != 0) {
            error = SystemError(finalName, errno);
            close(fd);
            return false;
        }
        name_ = name;
        fd_ = fd;
        return true;
    }
    error = SystemError(finalName, EBUSY);
    return false;
}

std::string PartFile::Place(const std::string& wanted, bool replace, std::string& error)
{
    if (!Claimed()) {
        error = SystemError(wanted, ENOENT);
        return {};
    }
    std::string placed;
    if (replace) {
        if (std::rename(name_.c_str(), wanted.c_str()) == 0)
            placed = wanted;
        else
            error = SystemError(wanted, errno);
    } else {
        const std::string base = WithoutFileNumber(wanted);
        for (int n = 0; placed.empty(); ++n) {
            const std::string candidate = n == 0 ? wanted : NumberedFileName(base, n);
            if (RenameNoReplace(name_, candidate) == 0)
                placed = candidate;
            else if (errno != EEXIST) {
                error = SystemError(candidate, errno);
                break;
            }
        }
    }
    // the lock goes only now: until the rename the part file is ours
    Release();
    if (!placed.empty())
        name_.clear();
    return placed;
}

void PartFile::Discard()
{
    if (Claimed())
        unlink(name_.c_str());
    Release();
    name_.clear();
}
