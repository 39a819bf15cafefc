#include "engine/LibraryEncoder.h"

#include "media/CodecLock.h"

#include <mutex>
#include <stdexcept>

LibraryEncoder::LibraryEncoder(const TCodecChoice& choice)
    : choice_(choice), context_(avcodec_alloc_context3(choice.codec))
{
    if (!context_)
        throw std::bad_alloc();
}

int LibraryEncoder::Open(AVDictionary** options)
{
    std::lock_guard guard(CodecLock());
    return avcodec_open2(context_.get(), choice_.codec, options);
}

bool LibraryEncoder::IsOpen() const { return avcodec_is_open(context_.get()) > 0; }

int LibraryEncoder::SendFrame(const AVFrame* frame) { return avcodec_send_frame(context_.get(), frame); }

int LibraryEncoder::ReceivePacket(AVPacket* packet) { return avcodec_receive_packet(context_.get(), packet); }
