#pragma once
// An encoder of libavcodec behind IStreamEncoder: the calls go straight to
// avcodec_open2 / avcodec_send_frame / avcodec_receive_packet.
#include "engine/CodecSelection.h"
#include "engine/IStreamEncoder.h"
#include "media/FFHandles.h"

class LibraryEncoder : public IStreamEncoder {
public:
    // `choice` must be a csLibrary choice of an encoder.
    explicit LibraryEncoder(const TCodecChoice& choice);

    AVCodecContext* Context() override { return context_.get(); }
    const TCodecChoice& Choice() const override { return choice_; }
    int Open(AVDictionary** options) override;
    bool IsOpen() const override;
    int SendFrame(const AVFrame* frame) override;
    int ReceivePacket(AVPacket* packet) override;

private:
    TCodecChoice choice_;
    AVCodecContextPtr context_;  // allocated for the codec, so its private options exist
};
