#include "app/ConverterDurationProbe.h"

extern "C" {
#include <libavformat/avformat.h>
}

int64_t ConverterDurationProbe::DurationUs(const std::string& file, const std::string& forcedFormat)
{
    TInputOptions options;
    options.FileName = file;
    options.FileFormat = forcedFormat;
    const int task = converter_.AddTask(file, &options);
    if (task < 0)
        return -1;
    const AVFormatContext* input = converter_.GetInputContext(task, 0);
    const int64_t duration = input && input->duration != AV_NOPTS_VALUE ? input->duration : -1;
    converter_.ClearTasks();
    return duration;
}
