// What a plug-in with an LV2 UI provides to the UI entry (Lv2Ui.cpp), defined once per UI
// library beside the plug-in's description.
#pragma once

class EditorBase;
class EditorLink;
class EffectBase;

namespace lv2 {

// Host's UI thread: the plug-in's editor on effect (a stand-in holding the values the host
// reported), whose edits go out through link; null when it could not be made. The editor
// attaches itself to effect.
EditorBase* createEditor(EffectBase& effect, EditorLink& link);

}  // namespace lv2
