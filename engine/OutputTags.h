#pragma once
// What an output carries over from its source besides the streams it
// encodes: the source's global tags and its cover picture.
#include "media/FFHandles.h"

// Copies the global tags of `source` (title, artist, album, date, comment,
// ...) into `target`, keeping every key `target` already has (the option
// record's). Keys that describe the source file's own container (its brands,
// the program that wrote it) are left behind; each muxer writes the tags its
// container holds.
void CopyGlobalTags(const AVDictionary* source, AVDictionary** target);

// Whether the muxer keeps a cover picture with the sound (ID3 APIC in MP3,
// "covr" in MP4/M4A/MOV), and of which codec.
bool MuxerKeepsCover(const AVOutputFormat* muxer, AVCodecID picture);

// The index of the first cover picture (an attached picture stream) of an
// input, -1 when it has none.
int CoverPictureStream(const AVFormatContext* input);
