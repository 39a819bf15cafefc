#pragma once
// Which demuxers the libraries may pick for a file whose format they guess
// from its content.
struct AVFormatContext;
struct AVInputFormat;

// Every demuxer except the one that reads a file as a list of other files to
// open (ffconcat): a list that names itself would open itself again and
// again, until the process runs out of file handles or memory. Call on the
// preallocated context before avformat_open_input; a format the caller names
// (`forced`) is left alone, as is a context that has its own list already.
void LimitProbedFormats(AVFormatContext* context, const AVInputFormat* forced);
