#pragma once
// Message texts of the chooser and the option window.

inline constexpr const char* kPromptCaption = "提示";
inline constexpr const char* kChooseTypeMessage = "请选择一个要转换的类型,然后点击“下一步”按钮！";
inline constexpr const char* kDigitsOnlyMessage = "对不起，这里只能输入数字！";
inline constexpr const char* kStopBeyondLengthMessage = "截取时间设置错误，不允许停止时间大于时间长度！";
inline constexpr const char* kStartNotBeforeStopMessage = "截取时间设置错误，不允许起始时间大于等于停止时间！";
// A clip needs the source's length, which could not be read.
inline constexpr const char* kUnknownLengthMessage =
    "无法读取视频源的时间长度，不能截取视频！请取消“允许截取视频”后再试。";
// Opus codes 48 kHz (and lower rates that none of the lists offer).
inline constexpr const char* kOpusSampleRateMessage =
    "Opus音频编码器只支持48000 Hz的音频采样率，请把“音频采样率”改为48000后再试。";
