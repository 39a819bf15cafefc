#include "engine/TaskMedia.h"

#include "media/MediaFileName.h"
#include "media/MediaText.h"

#include <cstdio>

void TaskMedia::ClearRemovingEmptyOutputs()
{
    std::vector<std::string> outputNames;
    for (const AVFormatOutputPtr& oc : outputs)
        if (oc && oc->url && !(oc->oformat->flags & AVFMT_NOFILE))
            outputNames.push_back(WideFileName(oc->url));
    Clear();  // closes every output file and input first
    for (const std::string& name : outputNames)
        if (FileSize64(name) == 0)
            std::remove(name.c_str());
}
