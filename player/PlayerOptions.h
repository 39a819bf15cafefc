#pragma once
// The engine options of the player. They return to these defaults after
// every close.
extern "C" {
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include <string>

enum SyncClock { scAudioMaster = 0, scVideoMaster = 1, scExternalMaster = 2 };

struct PlayerOptions {
    int ScalingFlags = SWS_BICUBIC;
    std::string ForcedFormat;  // empty: detect
    std::string DemuxerPixelFormat;  // empty: none
    int WantedStream[AVMEDIA_TYPE_NB] = {-1, -1, -1, -1, -1};  // per media type; -1 any
    int MasterClock = scAudioMaster;
    int DecoderDebug = 0;
    bool FastDecoding = false;
    bool GeneratePts = false;
    int LowResolution = 0;
    int TransformAlgorithm = 0;
    int SkipFrame = 0;
    int SkipTransform = 0;
    int SkipLoopFilter = 0;
    int WorkaroundBugs = 1;
    int ErrorRecognition = 1;
    int ErrorConcealment = 3;
    int ReorderPts = -1;  // 1 picture times, 0 decoding times, -1 automatic
    bool FrameDropping = true;
    int VisualisationRefreshMs = 20;
    std::string VideoFilters;  // empty: source straight to sink
    int VisualisationMode = 1;  // waveform
};
