#pragma once
// What one row of the conversion list AdvListView1 shows.
#include <cstdint>
#include <string>

// The status words of the list.
inline constexpr const char* kStatusReady = "准备";
inline constexpr const char* kStatusConverting = "转换中...";
inline constexpr const char* kStatusPaused = "暂停";
inline constexpr const char* kStatusStopped = "停止";
inline constexpr const char* kStatusFinished = "完成";
inline constexpr const char* kStatusIncomplete = "不完整";
inline constexpr const char* kStatusFailed = "失败";

struct ListRow {
    std::string Caption;  // 序号, 1-based
    std::string SourceFile;  // 视频源文件
    std::string SourceExt;  // 源格式, upper case without the dot
    std::string TargetExt;  // 目标格式
    std::string TimeText = "0";  // 当前时间
    int Progress = -1;  // 转换进度 in percent; -1 shows an empty cell
    std::string Status = kStatusReady;
    // A ready row whose interrupted conversion goes on where it stopped:
    // "已完成 63%，将继续转换", shown in place of the status word.
    std::string ResumeText;
    const std::string& StatusShown() const
    {
        return Status == kStatusReady && !ResumeText.empty() ? ResumeText : Status;
    }

    // What the row knows about sizes and times.
    int64_t SourceDurationUs = -1;
    bool SourceHasVideo = false;
    bool SourceHasAudio = false;
    int64_t ExpectedBytes = -1;  // before the run: from the bit rates, then from a sample; -1 unknown
    uint64_t SampleKey = 0;  // the size sample asked for this row; 0 none
    bool Sampling = false;  // a size sample is under way
    bool Sampled = false;  // ExpectedBytes comes from a sample
    double SampleSpeed = 0;  // media seconds per second of work of the sample's pieces; 0 none
    int64_t OutputBytes = -1;  // the finished output's size; -1 before
    std::string OutputFile;  // the output the last run wrote
    std::string SpeedText;  // 速度 while converting
    std::string RemainingText;  // 剩余时间 while converting
    // 大小: the real size once finished, else "约" and the expected size,
    // else "估算中..." while a sample is under way.
    std::string SizeText() const;
    // What the size shown is: real, sampled, from the bit rates, being sampled.
    std::string SizeNote() const;
};
