#include "engine/IPreviewSink.h"

#include <mutex>

namespace {
std::mutex factoryLock;  // guards factory
PreviewSinkFactory factory;
}  // namespace

void SetPreviewSinkFactory(PreviewSinkFactory newFactory)
{
    std::lock_guard guard(factoryLock);
    factory = std::move(newFactory);
}

PreviewSinkFactory GetPreviewSinkFactory()
{
    std::lock_guard guard(factoryLock);
    return factory;
}
