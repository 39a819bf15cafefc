#include "app/MainWindowTables.h"

const std::array<ToolButtonInfo, kToolButtonCount>& ToolButtons()
{
    static const std::array<ToolButtonInfo, kToolButtonCount> buttons{{
        {ToolButton::Add, "ToolButton1", "       添加      ", "添加要转换的视频音频文件", "tool-add", true},
        {ToolButton::Remove, "ToolButton12", "移除", "从列表中删除选中的文件", "tool-remove", false},
        {ToolButton::Clear, "ToolButton2", "清空", "清空转换列表", "tool-clear", false},
        {ToolButton::Start, "ToolButton3", "转换", "开始转换视频", "tool-start", false},
        {ToolButton::Pause, "ToolButton5", "暂停", "暂停视频转换", "tool-pause", false},
        {ToolButton::Stop, "ToolButton4", "停止", "停止视频转换", "tool-stop", false},
        {ToolButton::Skin, "ToolButton7", "皮肤", "更换软件外观皮肤", "tool-skin", true},
        {ToolButton::Help, "ToolButton11", "帮助", "软件帮助", "tool-help", true},
    }};
    return buttons;
}

const ToolButtonInfo& ToolButtonOf(ToolButton id) { return ToolButtons()[static_cast<size_t>(id)]; }

const std::array<ListButtonInfo, kListButtonCount>& ListButtons()
{
    static const std::array<ListButtonInfo, kListButtonCount> buttons{{
        {ListButton::Up, "suiButton4", "suiButton9", "上移", "list-up", true},
        {ListButton::Down, "suiButton5", "suiButton10", "下移", "list-down", true},
        {ListButton::Remove, "suiButton6", "suiButton7", "移除", "list-remove", false},
        {ListButton::Clear, "suiButton2", "suiButton8", "清空", "list-clear", false},
    }};
    return buttons;
}

std::vector<std::string_view> ExistingFileChoices() { return {"自动生成相应的新文件名", "直接覆盖该文件"}; }

std::vector<std::string_view> AfterCompletionChoices()
{
    return {"无任何操作", "直接关闭计算机", "打开文件夹查看转换的文件"};
}

std::vector<std::string_view> PriorityChoices() { return {"闲置时进行", "CPU占用最低", "CPU占用一般", "正常转换"}; }

std::vector<std::string_view> SimultaneousChoices()
{
    return {"自动",    "1个文件", "2个文件", "3个文件", "4个文件", "5个文件",
            "6个文件", "7个文件", "8个文件", "9个文件", "10个文件"};
}

std::vector<FileFilter> OpenDialogFilter()
{
    return {
        {"所有支持的文件类型",
         "*.AVI;*.ASF;*.asx;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;*.RM;*.RMVB;"
         "*.TS;*.TP;*.IFO;*.NSV;*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.SWF;"
         "*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;*.DV;*.m4v;"
         "*.3g2;*.mkv;*.dv;*.yuv;*.h261;*.h264;*.mjpeg;*.dif;*.m4v;*.3gpp;*.3gp2;*.qt"},
        {"所有的文件 (*.*)", "*.*"},
        {"AVI文件 (*.avi)", "*.avi"},
        {"MPEG文件 (*.mpg;*.mpeg)", "*.mpg;*.mpeg"},
        {"Windows Media文件 (*.wmv;*.asf;*.asx)", "*.wmv;*.asf;*.asx"},
        {"Dat文件 (*.dat)", "*.dat"},
        {"DVD光盘VOB文件 (*.vob)", "*.vob"},
        {"Real类型文件 (*.rm;*.rmvb)", "*.rm;*.rmvb"},
        {"MP4类型文件 (*.mp4;*.m4v)", "*.mp4;*.m4v"},
        {"手机3GP文件 (*.3gp;*.3gpp)", "*.3gp;*.3gpp"},
        {"手机3GPP2文件 (*.3g2;*.3gp2)", "*.3g2;*.3gp2"},
        {"Flash文件 (*.swf)", "*.swf"},
        {"Quick Time文件 (*.mov;*.qt)", "*.mov;*.qt"},
        {"FLV类型文件 (*.flv)", "*.flv"},
        {"Raw视频文件 (*.yuv)", "*.yuv"},
        {"Raw h261类型文件 (*.h261)", "*.h261"},
        {"Raw h264类型文件 (*.h264)", "*.h264"},
        {"MJPEG类型文件 (*.mjpeg)", "*.mjpeg"},
        {"MKV视频文件 (*.mkv)", "*.mkv"},
        {"DV视频文件 (*.dv;*.dif)", "*.dv;*.dif"},
    };
}
