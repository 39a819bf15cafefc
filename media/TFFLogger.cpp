#include "media/TFFLogger.h"

#include "media/EAssertionFailed.h"
#include "media/IMainThread.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <memory>
#include <unordered_map>
#include <vector>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr const char* kModule = "FFmpegLogger";

std::atomic<int> g_libraryLogLevel{AV_LOG_INFO};

// The bound library entry points; written on the main thread by
// InstallCallback before any library work starts.
std::atomic<void (*)(int)> g_setLevel{nullptr};

// Each thread's text that has not yet reached a line feed.
struct LogList {
    std::mutex lock;  // guards pending
    std::unordered_map<uint32_t, std::string> pending;
};
LogList& PendingLines()
{
    static LogList list;
    return list;
}

// The singleton: either a logger someone created, or the one GetFFLogger made.
std::mutex g_creationLock;  // one GetFFLogger creates at a time
std::mutex g_singletonLock;  // guards g_logger and g_ownedLogger
TFFLogger* g_logger = nullptr;
std::unique_ptr<TFFLogger> g_ownedLogger;

// The logger if one exists. Library lines need no new one: a fresh logger has
// no OnLog yet and would drop them, and at process end none may be created.
TFFLogger* ExistingLogger()
{
    std::lock_guard guard(g_singletonLock);
    return g_logger;
}

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

int ToAVLogLevel(TLogLevel level) { return (static_cast<int>(level) % 128 - 1) * 8; }

TLogLevel ToLogLevel(int avLevel)
{
    const int ordinal = std::clamp(avLevel / 8 + 1, 0, 7);
    return static_cast<TLogLevel>(ordinal);
}

LogEntryPoints LibraryLogEntryPoints() { return {&av_log_set_callback, &av_log_set_level}; }

int LibraryLogLevel() { return g_libraryLogLevel.load(); }

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

TFFLogger& GetFFLogger()
{
    std::lock_guard creating(g_creationLock);
    {
        std::lock_guard guard(g_singletonLock);
        if (g_logger)
            return *g_logger;
    }
    auto created = std::make_unique<TFFLogger>();  // registers itself
    std::lock_guard guard(g_singletonLock);
    g_ownedLogger = std::move(created);
    return *g_logger;
}

TFFLogger::TFFLogger() : logLevel_(ToLogLevel(LibraryLogLevel()))
{
    std::lock_guard guard(g_singletonLock);
    MediaAssert(g_logger == nullptr, kModule, "Allow creating only one instance of TFFLogger.");
    g_logger = this;
}

TFFLogger::~TFFLogger()
{
    std::lock_guard guard(g_singletonLock);
    if (g_logger == this)
        g_logger = nullptr;
}

TLogLevel TFFLogger::LogLevel() const
{
    std::lock_guard guard(lock_);
    return logLevel_;
}

void TFFLogger::SetLogLevel(TLogLevel level)
{
    {
        std::lock_guard guard(lock_);
        if (level == logLevel_)
            return;
        logLevel_ = level;
    }
    ApplyLevel();
}

void TFFLogger::SetLogLevelStr(const std::string& text)
{
    static const std::pair<const char*, int> names[] = {
        {"quiet", AV_LOG_QUIET},     {"panic", AV_LOG_PANIC}, {"fatal", AV_LOG_FATAL},     {"error", AV_LOG_ERROR},
        {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},   {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
    const std::string lowered = Lowered(text);
    for (const auto& [name, value] : names) {
        if (lowered == name) {
            SetLogLevel(ToLogLevel(value));
            return;
        }
    }
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    SetLogLevel(ToLogLevel(value));
}

bool TFFLogger::TriggerEventInMainThread() const
{
    std::lock_guard guard(lock_);
    return trigger_;
}

void TFFLogger::SetTriggerEventInMainThread(bool value)
{
    std::lock_guard guard(lock_);
    trigger_ = value;
}

TLogEvent TFFLogger::OnLog() const
{
    std::lock_guard guard(lock_);
    return onLog_;
}

void TFFLogger::SetOnLog(TLogEvent handler)
{
    std::lock_guard guard(lock_);
    onLog_ = std::move(handler);
}

void TFFLogger::Log(const void* Sender, TLogLevel level, const std::string& msg)
{
    TLogLevel current;
    bool assigned;
    {
        std::lock_guard guard(lock_);
        current = logLevel_;
        assigned = static_cast<bool>(onLog_);
    }
    if (!assigned)
        return;
    // Verbose component messages (stream mapping, "*** drop!") show at every level but quiet.
    const bool wanted = level <= current || (level == llVerbose && current != llQuiet);
    if (!wanted)
        return;
    DoLog(TLogInfo{Sender, CurrentThreadId(), level, msg});
}

void TFFLogger::LogFmt(const void* Sender, TLogLevel level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextV(format, args);
    va_end(args);
    Log(Sender, level, text);
}

void TFFLogger::InstallCallback(const LogEntryPoints& entryPoints)
{
    MediaAssert(entryPoints.SetCallback != nullptr, kModule, "av_log_set_callback is not bound.");
    MediaAssert(entryPoints.SetLevel != nullptr, kModule, "av_log_set_level is not bound.");
    g_setLevel = entryPoints.SetLevel;
    entryPoints.SetCallback(&TFFLogger::LogCallback);
    ApplyLevel();
}

void TFFLogger::ApplyLevel()
{
    void (*setLevel)(int) = g_setLevel.load();
    if (!setLevel)
        return;
    const int level = ToAVLogLevel(LogLevel());
    g_libraryLogLevel = level;
    setLevel(level);
}

void TFFLogger::DeliverLibraryLine(uint32_t threadId, int avLevel, const std::string& line)
{
    if (!OnLog())
        return;
    DoLog(TLogInfo{this, threadId, ToLogLevel(avLevel), line});
}

void TFFLogger::DoLog(const TLogInfo& info)
{
    if (QuietLogThread::Active())
        return;
    TLogEvent handler;
    bool trigger;
    {
        std::lock_guard guard(lock_);
        handler = onLog_;
        trigger = trigger_;
    }
    if (!handler)
        return;
    // Each delivery works on its own copy, so two threads never share one record.
    const TLogInfo copy = info;
    if (trigger && !MainThread().isMainThread())
        MainThread().runAndWait([&] { handler(copy.Sender, copy.ThreadID, copy.LogLevel, copy.LogMsg); });
    else
        handler(copy.Sender, copy.ThreadID, copy.LogLevel, copy.LogMsg);
}

void TFFLogger::LogCallback(void* avcl, int level, const char* fmt, va_list args)
{
    // The upper bits carry colour hints, not the level.
    if (level >= 0)
        level &= 0xff;
    if (level > g_libraryLogLevel.load())
        return;

    std::string prefix;
    if (avcl) {
        const AVClass* cls = *static_cast<AVClass**>(avcl);
        const char* itemName = cls ? (cls->item_name ? cls->item_name(avcl) : cls->class_name) : nullptr;
        prefix = FormatText("[%s @ %p]", itemName ? itemName : "NULL", avcl);
    }
    // one runaway library message must not flood the log: it is cut at a fixed length
    constexpr size_t kLibraryMessageCap = 2047;
    std::string message = FormatTextV(fmt, args);
    if (message.size() > kLibraryMessageCap)
        message.resize(kLibraryMessageCap);

    const uint32_t threadId = CurrentThreadId();
    std::vector<std::string> lines;
    {
        LogList& list = PendingLines();
        std::lock_guard guard(list.lock);
        std::string& pending = list.pending[threadId];
        // A line carries the prefix of the call that began it.
        if (pending.empty())
            pending = prefix + message;
        else
            pending += message;
        for (auto feed = pending.find('\n'); feed != std::string::npos; feed = pending.find('\n')) {
            lines.push_back(pending.substr(0, feed));
            pending.erase(0, feed + 1);
        }
    }
    if (lines.empty())
        return;
    if (LibraryLineTail* tail = LibraryLineTail::Current(); tail && level <= AV_LOG_WARNING) {
        try {
            for (const std::string& line : lines)
                tail->Add(line);
        } catch (...) {}
    }
    TFFLogger* logger = ExistingLogger();
    if (!logger)
        return;
    // The library calls us from C: nothing may escape.
    try {
        for (const std::string& line : lines)
            logger->DeliverLibraryLine(threadId, level, line);
    } catch (...) {}
}

namespace {
thread_local LibraryLineTail* t_currentTail = nullptr;
thread_local int t_quietDepth = 0;
}  // namespace

QuietLogThread::QuietLogThread() { ++t_quietDepth; }

QuietLogThread::~QuietLogThread() { --t_quietDepth; }

bool QuietLogThread::Active() { return t_quietDepth > 0; }

LibraryLineTail::LibraryLineTail(size_t keep) : outer_(t_currentTail), keep_(keep) { t_currentTail = this; }

LibraryLineTail::~LibraryLineTail() { t_currentTail = outer_; }

LibraryLineTail* LibraryLineTail::Current() { return t_currentTail; }

void LibraryLineTail::Add(const std::string& line)
{
    if (line.find_first_not_of(" \t\r") == std::string::npos || keep_ == 0)
        return;
    lines_.push_back(line);
    while (lines_.size() > keep_)
        lines_.pop_front();
}

std::string LibraryLineTail::Text() const
{
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\n";
    return text;
}
