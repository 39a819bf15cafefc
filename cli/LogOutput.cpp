#include "cli/LogOutput.h"

#include "media/TFFLogger.h"

CliLogOutput::CliLogOutput(bool toStderr, const std::string& file, std::ostream& err)
    : fileWanted_(!file.empty()), err_(toStderr ? &err : nullptr)
{
    if (fileWanted_) {
        file_.open(file, std::ios::app);
        if (!file_.is_open())
            return;
    }
    if (!err_ && !fileWanted_)
        return;
    TFFLogger& logger = GetFFLogger();
    // lines are written on the thread that logs them: the main thread may be waiting for that thread
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(llVerbose);
    logger.SetOnLog([this](const void*, uint32_t, TLogLevel, const std::string& message) { Write(message); });
    active_ = true;
}

CliLogOutput::~CliLogOutput()
{
    if (active_)
        GetFFLogger().SetOnLog(nullptr);
}

void CliLogOutput::Write(const std::string& line)
{
    std::lock_guard guard(lock_);
    if (err_)
        *err_ << line << '\n' << std::flush;
    if (file_.is_open())
        file_ << line << '\n' << std::flush;
}
