#include "ShaperPlugin.h"

#include "Module.h"
#include "ShaperPanel.h"

#include <new>

ShaperPlugin::ShaperPlugin(audioMasterCallback callback) : ShaperEffect(callback)
{
    setUniqueID(fourCharCode("VorE"));
    // The panel attaches itself to the effect.
    if (!new (std::nothrow) ShaperPanel(this, curve))
        markConstructionFailed();
}

ShaperPlugin::~ShaperPlugin()
{
    EditorBase* panel = editor;
    setEditor(nullptr);
    delete panel;
}

void ShaperPlugin::setParameter(VstInt32 index, float value)
{
    ShaperEffect::setParameter(index, value);
    if (editor)
        static_cast<ShaperPanel*>(editor)->setParameter(index, value);
}
