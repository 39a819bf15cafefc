#include "media/FormatInput.h"

AVFormatInputPtr OpenFormatInput(AVFormatContextPtr& unopened, const char* url, const AVInputFormat* format,
                                 AVDictionaryPtr& options, int& result)
{
    AVFormatContext* ic = unopened.release();
    AVDictionary* optionsRaw = options.release();
    result = avformat_open_input(&ic, url, format, &optionsRaw);
    options.reset(optionsRaw);
    return AVFormatInputPtr{result < 0 ? nullptr : ic};
}
