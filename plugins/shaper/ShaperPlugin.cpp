#include "ShaperPlugin.h"

#include "Module.h"
#include "ShaperPanel.h"

#include <new>

ShaperPlugin::ShaperPlugin(audioMasterCallback callback) : ShaperEffect(callback)
{
    setUniqueID(fourCharCode("VorE"));
    // The panel attaches itself to the effect.
    if (!new (std::nothrow) ShaperPanel(this, curve, link))
        markConstructionFailed();
}

ShaperPlugin::~ShaperPlugin()
{
    EditorBase* panel = editor;
    setEditor(nullptr);
    delete panel;
}
