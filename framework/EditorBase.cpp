#include "EditorBase.h"

EditorBase::EditorBase(EffectBase* editedEffect) : effect(editedEffect) {}

EditorBase::~EditorBase() = default;

VstInt32 EditorBase::getRect(ERect** /*rect*/)
{
    return 0;
}

VstInt32 EditorBase::open(void* parent)
{
    parentWindow = parent;
    return 0;
}

void EditorBase::close() {}

void EditorBase::idle()
{
    if (refreshRequested.exchange(false))
        refresh();
}

void EditorBase::refresh() {}

void EditorBase::requestRefresh()
{
    refreshRequested = true;
}

void EditorBase::setParameter(VstInt32, float)
{
    requestRefresh();
}
