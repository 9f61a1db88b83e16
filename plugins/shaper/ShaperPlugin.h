// The plug-in class Vorlane's main constructs: the shaper engine with its editor, whose edits
// reach the engine and the host through the effect's editor link; a dragged curve point
// rebuilds the shaper table at once.
#pragma once

#include "EffectEditorLink.h"
#include "ShaperEffect.h"

class ShaperPlugin : public ShaperEffect {
public:
    // Host thread (main): without memory for the editor, construction is marked failed and
    // main answers null.
    explicit ShaperPlugin(audioMasterCallback callback);
    // Host thread (effClose): the editor goes first, while the effect and curve it reads are
    // whole.
    ~ShaperPlugin() override;

private:
    class Link : public EffectEditorLink {
    public:
        explicit Link(ShaperPlugin& plugin) : EffectEditorLink(plugin), shaper(plugin) {}
        void curveMoved() override { shaper.rebuildShapeTable(); }

    private:
        ShaperPlugin& shaper;
    };
    Link link{*this};
};
