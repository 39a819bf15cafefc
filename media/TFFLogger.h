#pragma once
// The process's one logger. Library messages (from any thread, through the
// libraries' log callback) and the components' own messages are gathered into
// whole lines, filtered by one level and handed to OnLog, by default on the
// main thread with the calling thread waiting.
#include "media/TFFBaseComponent.h"

#include <cstdarg>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// llQuiet -8, llPanic 0, llFatal 8, ... llDebug 48.
int ToAVLogLevel(TLogLevel level);
// Library level to TLogLevel: level / 8 (truncated) + 1, clamped to 0..7.
TLogLevel ToLogLevel(int avLevel);

// The record of one delivery.
struct TLogInfo {
    const void* Sender = nullptr;
    uint32_t ThreadID = 0;
    TLogLevel LogLevel = llInfo;
    std::string LogMsg;
};

// OnLog(Sender, AThreadID, ALogLevel, ALogMsg)
using TLogEvent =
    std::function<void(const void* Sender, uint32_t AThreadID, TLogLevel ALogLevel, const std::string& ALogMsg)>;

using TAVLogCallback = void (*)(void* avcl, int level, const char* fmt, va_list args);

// The two library entry points the logger drives. The loader hands it the
// library's own functions; tests may hand it others to observe the calls.
struct LogEntryPoints {
    void (*SetCallback)(TAVLogCallback callback) = nullptr;  // av_log_set_callback
    void (*SetLevel)(int level) = nullptr;  // av_log_set_level
};
// av_log_set_callback and av_log_set_level of the linked library.
LogEntryPoints LibraryLogEntryPoints();

// The level the library callback filters by; starts at 32 (info).
int LibraryLogLevel();

class TFFLogger : public TFFBaseComponent {
public:
    // Only one logger may exist at a time; a second one is an assertion
    // failure ("FFmpegLogger").
    TFFLogger();
    ~TFFLogger() override;

    TLogLevel LogLevel() const;
    void SetLogLevel(TLogLevel level);
    // A level name ("quiet" .. "debug", any case) or a decimal library level;
    // other text throws std::invalid_argument.
    void SetLogLevelStr(const std::string& text);

    bool TriggerEventInMainThread() const;
    void SetTriggerEventInMainThread(bool value);

    TLogEvent OnLog() const;
    void SetOnLog(TLogEvent handler);

    // One component message; delivered when at or below LogLevel, or at
    // llVerbose unless the level is llQuiet.
    void Log(const void* Sender, TLogLevel level, const std::string& msg);
    void LogFmt(const void* Sender, TLogLevel level, const char* format, ...) __attribute__((format(printf, 4, 5)));

    // Installs the library log callback and applies the level through
    // `entryPoints`; run by the loader once the libraries are ready.
    void InstallCallback(const LogEntryPoints& entryPoints = LibraryLogEntryPoints());
    // Hands ToAVLogLevel(LogLevel) to the library when its entry point is bound.
    void ApplyLevel();

    // A whole library line, from LogCallback.
    void DeliverLibraryLine(uint32_t threadId, int avLevel, const std::string& line);

    // The library log callback (public so tests and the loader can name it).
    static void LogCallback(void* avcl, int level, const char* fmt, va_list args);

private:
    void DoLog(const TLogInfo& info);

    mutable std::mutex lock_;  // guards logLevel_, trigger_, onLog_
    TLogLevel logLevel_;
    bool trigger_ = true;
    TLogEvent onLog_;
};

// The singleton; created on first use when none exists.
TFFLogger& GetFFLogger();

// The calling thread's operating-system id.
uint32_t CurrentThreadId();

// While one exists on a thread, the library's error and warning lines logged
// on that thread are kept, the last few of them, so that a failure can say
// what the library said about it. Tails on one thread nest; the innermost one
// collects.
class LibraryLineTail {
public:
    explicit LibraryLineTail(size_t keep = 4);
    ~LibraryLineTail();
    LibraryLineTail(const LibraryLineTail&) = delete;
    LibraryLineTail& operator=(const LibraryLineTail&) = delete;

    // The kept lines, oldest first, each ending in '\n'; empty when none.
    std::string Text() const;
    // The innermost tail of the calling thread, or nullptr.
    static LibraryLineTail* Current();
    void Add(const std::string& line);

private:
    LibraryLineTail* outer_;
    size_t keep_;
    std::deque<std::string> lines_;  // used by its own thread only
};

// While one exists on a thread, nothing logged on that thread reaches OnLog
// (work the user did not start, such as a size estimate, stays out of the
// log); the failure tails still collect. Guards on one thread nest.
class QuietLogThread {
public:
    QuietLogThread();
    ~QuietLogThread();
    QuietLogThread(const QuietLogThread&) = delete;
    QuietLogThread& operator=(const QuietLogThread&) = delete;
    // Whether the calling thread is quiet.
    static bool Active();
};
