#pragma once
// The ten drop-down lists of the option window, top to bottom.
#include <cstddef>

enum class OptionList {
    VideoEncoder,  // suiComboBox1
    VideoBitrate,  // suiComboBox2
    FrameSize,  // suiComboBox3
    FrameRate,  // suiComboBox4
    AudioEncoder,  // suiComboBox5
    AudioBitrate,  // suiComboBox6
    SampleRate,  // suiComboBox7
    Channels,  // suiComboBox10
    ScalingMode,  // suiComboBox8
    Volume,  // suiComboBox9
};

inline constexpr std::size_t kOptionListCount = 10;

inline constexpr std::size_t Index(OptionList list) { return static_cast<std::size_t>(list); }

// The component name of each list's control, in OptionList order.
inline constexpr const char* kOptionListNames[kOptionListCount] = {
    "suiComboBox1", "suiComboBox2", "suiComboBox3",  "suiComboBox4", "suiComboBox5",
    "suiComboBox6", "suiComboBox7", "suiComboBox10", "suiComboBox8", "suiComboBox9",
};
