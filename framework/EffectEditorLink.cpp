#include "EffectEditorLink.h"

#include "EffectBase.h"

void EffectEditorLink::parameterEdited(VstInt32 index, float value)
{
    effect.setParameterAndAutomate(index, value);
}
