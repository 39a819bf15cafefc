#pragma once
// Reads a local input that is not a regular file (a named pipe, a character
// device) for the demuxer. The library's own file reader waits inside read(2)
// and asks its interrupt callback only between reads, so a stalled writer
// would keep a stop waiting until it writes again or closes the pipe. This
// reader waits in short poll(2) slices instead and gives up with AVERROR_EXIT
// as soon as `stopRequested` answers true.
//
// Use: set `Context()` as the format context's pb together with
// AVFMT_FLAG_CUSTOM_IO before avformat_open_input; the library then leaves
// the AVIOContext to us, so the reader must outlive the format context.
extern "C" {
#include <libavformat/avio.h>
}

#include <functional>
#include <memory>
#include <string>

class PipeReader {
public:
    // True when `path` names a local file that stat() reports as neither a
    // regular file nor a directory; those read through this reader, everything
    // else (regular files, directories, addresses, missing names) through the
    // library as before.
    static bool Wanted(const std::string& path);

    // Opens `path` for reading without waiting for a writer; null with
    // `error` set to an AVERROR code when it cannot be opened.
    static std::unique_ptr<PipeReader> Open(const std::string& path, std::function<bool()> stopRequested, int& error);

    ~PipeReader();
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

    AVIOContext* Context() const { return io_.get(); }

private:
    // Frees the context with the buffer it holds at the time: the library may
    // have replaced the one it was given.
    struct ContextDeleter {
        void operator()(AVIOContext* io) const;
    };

    PipeReader(int fd, std::function<bool()> stopRequested);

    static int Read(void* opaque, uint8_t* buffer, int size);

    const int fd_;
    const std::function<bool()> stopRequested_;
    std::unique_ptr<AVIOContext, ContextDeleter> io_;  // reads fd_; freed before fd_ is closed
};
