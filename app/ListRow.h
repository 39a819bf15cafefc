#pragma once
// What one row of the conversion list AdvListView1 shows.
#include <string>

// The status words of the list.
inline constexpr const char* kStatusReady = "准备";
inline constexpr const char* kStatusConverting = "转换中...";
inline constexpr const char* kStatusPaused = "暂停";
inline constexpr const char* kStatusStopped = "停止";
inline constexpr const char* kStatusFinished = "完成";
inline constexpr const char* kStatusFailed = "失败";

struct ListRow {
    std::string Caption;    // 序号, 1-based
    std::string SourceFile; // 视频源文件
    std::string SourceExt;  // 源格式, upper case without the dot
    std::string TargetExt;  // 目标格式
    std::string TimeText = "0";  // 当前时间
    int Progress = -1;      // 转换进度 in percent; -1 shows an empty cell
    std::string Status = kStatusReady;
};
