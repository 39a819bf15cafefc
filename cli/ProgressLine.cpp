#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

int ProgressPercent(int64_t outputUs, int64_t totalUs)
{
    if (totalUs <= 0)
        return -1;
    const int64_t percent = std::max<int64_t>(outputUs, 0) * 100 / totalUs;
    return static_cast<int>(std::min<int64_t>(percent, 100));
}

std::string FormatOutputTime(int64_t us)
{
    const int64_t hundredths = std::max<int64_t>(us, 0) / 10'000;
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", static_cast<long long>(hundredths / 360'000),
                  static_cast<long long>(hundredths / 6'000 % 60), static_cast<long long>(hundredths / 100 % 60),
                  static_cast<long long>(hundredths % 100));
    return text;
}

std::string FormatProgressLine(const ProgressSample& sample)
{
    const int percent = ProgressPercent(sample.outputUs, sample.totalUs);
    char percentText[16];
    if (percent < 0)
        std::snprintf(percentText, sizeof percentText, "  ?%%");
    else
        std::snprintf(percentText, sizeof percentText, "%3d%%", percent);
    char speedText[24] = "-";
    if (sample.elapsedSeconds > 0)
        std::snprintf(speedText, sizeof speedText, "%.2fx",
                      static_cast<double>(std::max<int64_t>(sample.outputUs, 0)) / 1e6 / sample.elapsedSeconds);
    return sample.name + "  " + percentText + "  " + FormatOutputTime(sample.outputUs) + "  " + speedText;
}
