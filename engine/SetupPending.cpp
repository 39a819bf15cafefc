// Placeholders until input and output set-up land (InputSetup.cpp,
// OutputSetup.cpp, StreamCreation.cpp replace them; delete this file then).
#include "engine/TCustomFFmpeg.h"

bool TCustomFFmpeg::OpenInputFile(const std::string&)
{
    throw FFmpegException("not available");
}

int TCustomFFmpeg::AddOutputFile(const std::string&, bool)
{
    throw FFmpegException("not available");
}

void TCustomFFmpeg::NewVideoStream() { throw FFmpegException("not available"); }

void TCustomFFmpeg::NewAudioStream() { throw FFmpegException("not available"); }

void TCustomFFmpeg::NewSubtitleStream() { throw FFmpegException("not available"); }
