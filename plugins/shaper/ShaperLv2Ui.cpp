// Vorlane's editor for the LV2 UI entry, with the UI's own copy of the curve: edits go to the
// plug-in as the state's bytes, and the state it tells comes back into the curve.
#include "Lv2UiPlugin.h"
#include "ShaperChunk.h"
#include "ShaperPanel.h"

#include "EffectBase.h"

#include <algorithm>
#include <deque>
#include <new>

namespace lv2 {

namespace {

class ShaperUiParts : public UiParts {
public:
    EditorBase* createEditor(EffectBase& effect, EditorLink& link) override
    {
        return new (std::nothrow) ShaperPanel(&effect, curve, link);
    }

    // The plug-in tells each state it installed, later than the edits that made it: a state
    // this UI sent recently is no news, and putting it back would undo the edits since.
    void stateTold(EffectBase& effect, const void* data, std::size_t size) override
    {
        vorlane::ShaperState state;
        if (!vorlane::decodeChunk(data, size, state))
            return;
        const std::vector<unsigned char> bytes = vorlane::encodeChunk(state);
        if (std::find(sent.begin(), sent.end(), bytes) != sent.end())
            return;
        curve.setPoints(state.points.data(), state.count);
        for (int i = 1; i < vorlane::parameterCount; ++i)
            effect.setParameter(i, state.values[i - 1]);
    }

    std::vector<unsigned char> editedState(EffectBase& effect) override
    {
        const ShaperCurve::Shape shape = curve.shape();
        vorlane::ShaperState state;
        state.points = shape.points;
        state.count = shape.count;
        for (int i = 1; i < vorlane::parameterCount; ++i)
            state.values[i - 1] = effect.getParameter(i);
        std::vector<unsigned char> bytes = vorlane::encodeChunk(state);
        sent.push_back(bytes);
        if (sent.size() > 32)
            sent.pop_front();
        return bytes;
    }

private:
    ShaperCurve curve;
    std::deque<std::vector<unsigned char>> sent;
};

}  // namespace

std::unique_ptr<UiParts> createUiParts() { return std::make_unique<ShaperUiParts>(); }

}  // namespace lv2
