// What a plug-in with an LV2 UI provides to the UI entry (Lv2Ui.cpp), defined once per UI
// library beside the plug-in's description.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class EditorBase;
class EditorLink;
class EffectBase;

namespace lv2 {

// The editor and what it edits beyond the parameters (Vorlane's curve), on the host's UI
// thread.
class UiParts {
public:
    virtual ~UiParts() = default;
    // The plug-in's editor on effect (a stand-in holding the values the host reported), whose
    // edits go out through link; null when it could not be made. The editor attaches itself
    // to effect; these parts outlive it.
    virtual EditorBase* createEditor(EffectBase& effect, EditorLink& link) = 0;
    // The plug-in told its state's bytes; refused bytes change nothing.
    virtual void stateTold(EffectBase&, const void*, std::size_t) {}
    // The state as the editor holds it, as bytes; empty for a plug-in whose state is all in
    // its ports.
    virtual std::vector<unsigned char> editedState(EffectBase&) { return {}; }
};

std::unique_ptr<UiParts> createUiParts();

}  // namespace lv2
