#pragma once
// Which demuxers the libraries may pick for a local file whose format they
// guess from its content.
struct AVFormatContext;
struct AVInputFormat;

// Every demuxer except those that read a file as a list of other files to
// open (ffconcat, HLS and DASH playlists). Such a list named as a media file
// is refused: one that names itself opened itself until the process ran out
// of file handles, and a live playlist whose entries do not open kept the
// caller waiting for as long as it reloaded. Call on the preallocated context
// before avformat_open_input with the name passed there; a format the caller
// names (`forced`), an address of another protocol (a web playlist the user
// asked for) and a context with its own list are left alone.
void LimitProbedFormats(AVFormatContext* context, const AVInputFormat* forced, const char* url);
