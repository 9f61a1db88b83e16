// What an editor tells the plug-in it edits, whichever interface the plug-in is loaded
// through: loaded as a VST 2 effect the effect takes the value and tells the host; an LV2 UI
// writes the control port or sends the state in a message.
#pragma once

#include "AEffect.h"

class EditorLink {
public:
    virtual ~EditorLink() = default;
    // Editor thread: the user set parameter index to value (normalised).
    virtual void parameterEdited(VstInt32 index, float value) = 0;
    // Editor thread, while the user drags a curve point: the sound should follow the points as
    // they are now. The host hears of the edit once it is finished, through parameterEdited.
    virtual void curveMoved() {}
};
