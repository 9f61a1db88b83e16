// The abstract editor through which an effect reaches its window. The effect owns it and
// destroys it; the GUI editor base attaches it with EffectBase::setEditor.
#pragma once

#include <atomic>

#include "AEffect.h"

class EffectBase;

class EditorBase {
public:
    explicit EditorBase(EffectBase* editedEffect);
    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    virtual ~EditorBase();
    // Host thread: stores the address of the editor's own ERect through rect; 0 when none.
    virtual VstInt32 getRect(ERect** rect);
    // Editor thread (effEditOpen: the thread that opens the editor): parent is the host's
    // window.
    virtual VstInt32 open(void* parent);
    // Editor thread (effEditClose).
    virtual void close();
    // Editor thread (effEditIdle): carries out a requested refresh.
    virtual void idle();
    virtual void refresh();
    // Any thread, at any time, also while no window is open.
    virtual void requestRefresh();
    // Any thread (the effect's setParameter, after the engine took the value): concrete
    // editors note which widgets to move; this one only asks for a refresh.
    virtual void setParameter(VstInt32 index, float value);

protected:
    EffectBase* effect;
    void* parentWindow = nullptr;
    std::atomic<bool> refreshRequested{false};
};
