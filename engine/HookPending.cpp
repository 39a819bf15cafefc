// Placeholder until the video hook modules land (VideoHookModules.cpp defines
// TCustomFFmpeg::AddVideoHook; delete this file then).
#include "engine/TCustomFFmpeg.h"

void TCustomFFmpeg::AddVideoHook(const std::string& value)
{
    throw FFmpegException("Failed to add video hook function: " + value);
}
