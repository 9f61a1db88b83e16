// The plug-in class Ombrisk's main constructs: the delay engine with its editor, whose edits
// reach the engine and the host through the effect's editor link.
#pragma once

#include "DelayEffect.h"
#include "EffectEditorLink.h"

class DelayPlugin : public DelayEffect {
public:
    // Host thread (main): without memory for the editor, construction is marked failed and
    // main answers null.
    explicit DelayPlugin(audioMasterCallback callback);
    // Host thread (effClose): the editor goes first, while the effect it reads is whole.
    ~DelayPlugin() override;

private:
    EffectEditorLink link{*this};
};
