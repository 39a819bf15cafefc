#pragma once
// The engine's AMR-NB encoder, built on opencore-amr, for the encoder name
// "libopencore_amrnb" (the packaged libavcodec has no AMR-NB encoder). It
// behaves like a library encoder behind IStreamEncoder: 8000 Hz mono signed
// 16-bit samples, frames of 160 samples (the last may be shorter and is padded
// with silence), one packet per frame in the storage format that libavformat's
// amr and 3gp muxers take for AV_CODEC_ID_AMR_NB.
// The bit-rate mode is the highest of 4750 ... 12200 bit/s not above the
// requested bit rate (4750 when the request is lower); Context()->bit_rate is
// set to the mode's rate at Open().
#include "engine/CodecSelection.h"
#include "engine/IStreamEncoder.h"
#include "media/FFHandles.h"

#include <cstdint>

class AmrNbEncoder : public IStreamEncoder {
public:
    static constexpr int kSampleRate = 8000;
    static constexpr int kFrameSamples = 160;
    static const int kSupportedSampleRates[];  // 8000, 0
    static const AVSampleFormat SampleFormats[];  // S16, NONE

    // The choice that names this encoder ("libopencore_amrnb").
    static TCodecChoice MakeChoice(const char* requestedName = "libopencore_amrnb");

    // Index of the opencore mode (0 = 4.75 kbit/s ... 7 = 12.2 kbit/s) and
    // its bit rate for a requested bit rate.
    static int ModeForBitRate(int64_t bitRate);
    static int ModeBitRate(int mode);

    explicit AmrNbEncoder(const TCodecChoice& choice);
    ~AmrNbEncoder() override;
    AmrNbEncoder(const AmrNbEncoder&) = delete;
    AmrNbEncoder& operator=(const AmrNbEncoder&) = delete;

    AVCodecContext* Context() override { return context_.get(); }
    const TCodecChoice& Choice() const override { return choice_; }
    // Fails with AVERROR(EINVAL) (and a log line) unless the context asks for
    // 8000 Hz, one channel and signed 16-bit samples.
    int Open(AVDictionary** options) override;
    bool IsOpen() const override { return state_ != nullptr; }
    int SendFrame(const AVFrame* frame) override;
    int ReceivePacket(AVPacket* packet) override;

private:
    int EncodeOne(const int16_t* samples, int count, int64_t pts);

    TCodecChoice choice_;
    AVCodecContextPtr context_;
    void* state_ = nullptr;  // opencore encoder state, between Open and destruction
    int mode_ = 7;
    int64_t nextPts_ = 0;  // in Context()->time_base, for frames without a pts
    bool shortFrameSeen_ = false;
    bool flushing_ = false;
    AVPacketPtr pending_;  // the packet of the last frame, until received
};
