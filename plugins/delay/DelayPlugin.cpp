#include "DelayPlugin.h"

#include <new>

#include "DelayPanel.h"
#include "Module.h"

DelayPlugin::DelayPlugin(audioMasterCallback callback) : DelayEffect(callback)
{
    setUniqueID(fourCharCode("OmbE"));
    // The panel attaches itself to the effect.
    if (!new (std::nothrow) DelayPanel(this, link))
        markConstructionFailed();
}

DelayPlugin::~DelayPlugin()
{
    EditorBase* panel = editor;
    setEditor(nullptr);
    delete panel;
}
