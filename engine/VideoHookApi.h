#pragma once
// The binary interface of video hook modules (option `vhook`): shared
// libraries exporting, with C linkage,
//   int  Configure(void** ctx, int argc, char* argv[]);   // 0 on success
//   void Process(void* ctx, VideoHookPicture* picture, int pixFmt,
//                int width, int height, int64_t ptsUs);
//   void Release(void* ctx);                               // optional
// Process works on the picture in place. argv[0] is the module path.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VideoHookPicture {
    uint8_t* data[4];
    int linesize[4];
} VideoHookPicture;

typedef int (*VideoHookConfigureFn)(void** ctx, int argc, char* argv[]);
typedef void (*VideoHookProcessFn)(void* ctx, VideoHookPicture* picture, int pixFmt, int width, int height,
                                   int64_t ptsUs);
typedef void (*VideoHookReleaseFn)(void* ctx);

#ifdef __cplusplus
}
#endif
