// Ombrisk's editor for the LV2 UI entry.
#include "DelayPanel.h"
#include "Lv2UiPlugin.h"

#include <new>

namespace lv2 {

EditorBase* createEditor(EffectBase& effect, EditorLink& link) { return new (std::nothrow) DelayPanel(&effect, link); }

}  // namespace lv2
