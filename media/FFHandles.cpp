#include "media/FFHandles.h"

#include "media/CodecLock.h"

namespace ffhandles {

void CodecContextDeleter::operator()(AVCodecContext* ctx) const
{
    if (!ctx)
        return;
    if (avcodec_is_open(ctx)) {
        std::lock_guard guard(CodecLock());
        avcodec_free_context(&ctx);
    } else {
        avcodec_free_context(&ctx);
    }
}

}  // namespace ffhandles

void CloseCodecContext(AVCodecContextPtr& ctx) { ctx.reset(); }
