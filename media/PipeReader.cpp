#include "media/PipeReader.h"

#include "media/FFHandles.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kBufferBytes = 32768;  // the library's own reading buffer size
constexpr int kWaitSliceMs = 100;  // how late a stop may be noticed while no data comes

}  // namespace

bool PipeReader::Wanted(const std::string& path)
{
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::unique_ptr<PipeReader> PipeReader::Open(const std::string& path, std::function<bool()> stopRequested, int& error)
{
    // Opening a named pipe for reading waits for a writer unless O_NONBLOCK is
    // given; without a writer the reads then wait in poll, where a stop is seen.
    // The descriptor stays non-blocking: poll is the only place that waits, so
    // data another reader of the pipe takes first cannot leave read(2) waiting.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = AVERROR(errno);
        return nullptr;
    }
    std::unique_ptr<PipeReader> reader(new PipeReader(fd, std::move(stopRequested)));
    AVMemoryPtr<uint8_t> buffer{static_cast<uint8_t*>(av_malloc(kBufferBytes))};
    if (buffer) {
        reader->io_.reset(
            avio_alloc_context(buffer.get(), kBufferBytes, 0, reader.get(), &PipeReader::Read, nullptr, nullptr));
        if (reader->io_)
            buffer.release();  // the context holds it now
    }
    if (!reader->io_) {
        error = AVERROR(ENOMEM);
        return nullptr;
    }
    return reader;
}

PipeReader::PipeReader(int fd, std::function<bool()> stopRequested) : fd_(fd), stopRequested_(std::move(stopRequested))
{}

PipeReader::~PipeReader()
{
    io_.reset();
    close(fd_);
}

void PipeReader::ContextDeleter::operator()(AVIOContext* io) const
{
    if (!io)
        return;
    av_freep(&io->buffer);
    avio_context_free(&io);
}

int PipeReader::Read(void* opaque, uint8_t* buffer, int size)
{
    const PipeReader& self = *static_cast<const PipeReader*>(opaque);
    for (;;) {
        if (self.stopRequested_ && self.stopRequested_())
            return AVERROR_EXIT;
        pollfd waiting{self.fd_, POLLIN, 0};
        const int ready = poll(&waiting, 1, kWaitSliceMs);
        if (ready < 0 && errno != EINTR)
            return AVERROR(errno);
        if (ready <= 0)
            continue;
        // data, or the writer gone (POLLHUP: read gives 0), or an error read reports
        const ssize_t got = read(self.fd_, buffer, static_cast<size_t>(size));
        if (got > 0)
            return static_cast<int>(got);
        if (got == 0)
            return AVERROR_EOF;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return AVERROR(errno);
    }
}
