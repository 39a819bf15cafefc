#pragma once
// One output stream's encoder, as the engine sees it. Stream creation fills
// Context() (size, rates, formats, flags, bit rate) before Open(); the
// transcode loop then feeds frames and collects packets with the calls and
// return codes of libavcodec's send/receive API:
//   SendFrame(frame)      0, AVERROR(EAGAIN) (collect packets first), AVERROR_EOF,
//                         or another negative error; nullptr starts the flush;
//   ReceivePacket(packet) 0 with a packet in Context()->time_base,
//                         AVERROR(EAGAIN) (send more), AVERROR_EOF (flushed).
// Audio encoders with Context()->frame_size > 0 take exactly that many samples
// per frame except for the last one, which may be shorter.
// After Open(), avcodec_parameters_from_context(stream->codecpar, Context())
// gives the muxer what it needs, whichever encoder is behind the interface.
extern "C" {
#include <libavcodec/avcodec.h>
}

struct TCodecChoice;

class IStreamEncoder {
public:
    virtual ~IStreamEncoder() = default;

    // The codec context carrying the stream's parameters. Owned by the encoder.
    virtual AVCodecContext* Context() = 0;
    // The codec selection this encoder was made from.
    virtual const TCodecChoice& Choice() const = 0;

    // Opens the encoder (under CodecLock); the dictionary gets back the
    // options it did not use, as with avcodec_open2. Returns 0 or an AVERROR.
    virtual int Open(AVDictionary** options) = 0;
    virtual bool IsOpen() const = 0;

    virtual int SendFrame(const AVFrame* frame) = 0;
    virtual int ReceivePacket(AVPacket* packet) = 0;
};
