// Ombrisk's editor for the LV2 UI entry; its state is all in its ports.
#include "DelayPanel.h"
#include "Lv2UiPlugin.h"

#include <new>

namespace lv2 {

namespace {

class DelayUiParts : public UiParts {
public:
    EditorBase* createEditor(EffectBase& effect, EditorLink& link) override
    {
        return new (std::nothrow) DelayPanel(&effect, link);
    }
};

}  // namespace

std::unique_ptr<UiParts> createUiParts() { return std::make_unique<DelayUiParts>(); }

}  // namespace lv2
