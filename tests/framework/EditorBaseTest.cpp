#include <gtest/gtest.h>

#include "FakeHost.h"

namespace {

VstIntPtr dispatch(EffectBase& effect, VstInt32 opcode, void* ptr = nullptr)
{
    AEffect* record = effect.getAEffect();
    return record->dispatcher(record, opcode, 0, 0, ptr, 0.0f);
}

TEST(EditorBaseTest, SetEditorSetsAndClearsTheFlag)
{
    EffectCounters counters;
    EditorCounters editorCounters;
    TestEffect effect(counters);
    auto* editor = new TestEditor(&effect, editorCounters);
    EXPECT_EQ(effect.getAEffect()->flags & effFlagsHasEditor, 0);
    effect.setEditor(editor);
    EXPECT_EQ(effect.getAEffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(effect.getEditor(), editor);
    effect.setEditor(nullptr);
    EXPECT_EQ(effect.getAEffect()->flags & effFlagsHasEditor, 0);
    delete editor;
}

TEST(EditorBaseTest, EditorOpcodesReachTheEditor)
{
    EffectCounters counters;
    EditorCounters editorCounters;
    TestEffect effect(counters);
    effect.setEditor(new TestEditor(&effect, editorCounters));

    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effect, effEditGetRect, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->bottom, 120);
    EXPECT_EQ(rect->right, 300);
    EXPECT_EQ(dispatch(effect, effEditGetRect, nullptr), 0);

    int window = 0;
    EXPECT_EQ(dispatch(effect, effEditOpen, &window), 7);
    EXPECT_EQ(editorCounters.parent, &window);
    EXPECT_EQ(dispatch(effect, effEditClose), 0);
    EXPECT_EQ(editorCounters.opens, 1);
    EXPECT_EQ(editorCounters.closes, 1);
    EXPECT_EQ(editorCounters.destroyed, 0);
}

TEST(EditorBaseTest, IdleRefreshesOncePerRequest)
{
    EffectCounters counters;
    EditorCounters editorCounters;
    TestEffect effect(counters);
    auto* editor = new TestEditor(&effect, editorCounters);
    effect.setEditor(editor);

    dispatch(effect, effEditIdle);
    EXPECT_EQ(editorCounters.refreshes, 0);
    editor->requestRefresh();
    editor->requestRefresh();
    dispatch(effect, effEditIdle);
    dispatch(effect, effEditIdle);
    EXPECT_EQ(editorCounters.refreshes, 1);
}

TEST(EditorBaseTest, BaseEditorAnswersZero)
{
    EffectCounters counters;
    TestEffect effect(counters);
    effect.setEditor(new EditorBase(&effect));
    ERect* rect = nullptr;
    int window = 0;
    EXPECT_EQ(dispatch(effect, effEditGetRect, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(dispatch(effect, effEditOpen, &window), 0);
}

TEST(EditorBaseTest, EffectCloseDestroysTheEditor)
{
    EffectCounters counters;
    EditorCounters editorCounters;
    auto* effect = new TestEffect(counters);
    effect->setEditor(new TestEditor(effect, editorCounters));
    EXPECT_EQ(dispatch(*effect, effClose), 1);
    EXPECT_EQ(counters.destroyed, 1);
    EXPECT_EQ(editorCounters.destroyed, 1);
}

} // namespace
