// Ombrisk's editor when memory runs out: no editor means no plug-in, and an editor that cannot
// make a picture, a widget or its view still opens, idles, takes presses and closes safely.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "DelayPanel.h"
#include "DelayPlugin.h"
#include "Module.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

namespace {
// Allocations without exceptions fail when their size is failSize, or when the countdown
// reaches 0 (then only that one).
std::atomic<std::size_t> failSize{0};
std::atomic<long> countdown{-1};

void* allocate(std::size_t size) noexcept
{
    if (failSize != 0 && size == failSize)
        return nullptr;
    if (countdown.load() >= 0 && countdown.fetch_sub(1) == 0)
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrThrow(std::size_t size)
{
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

// Every form goes through malloc and free, so the sanitizers see matching pairs.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void* operator new(std::size_t size)
{
    return allocateOrThrow(size);
}
void* operator new[](std::size_t size)
{
    return allocateOrThrow(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

class DelayPanelAllocationTest : public ::testing::Test {
protected:
    DelayPanelAllocationTest()
    {
        gui::Platform::install(&platform);
        window = platform.createHostWindow(0, gui::Rect(0, 0, 240, 160));
    }
    ~DelayPanelAllocationTest() override { gui::Platform::install(nullptr); }

    // Opens, idles, presses every widget (left+Alt and plain) and closes.
    static void exercise(DelayPanel& panel, gui::HeadlessPlatform& platform, gui::NativeWindow parent, bool opens)
    {
        EXPECT_EQ(panel.open(reinterpret_cast<void*>(parent)), opens ? 1 : 0);
        panel.idle();
        if (gui::RootView* view = panel.getRootView()) {
            for (gui::Point at : {gui::Point(20, 100), gui::Point(124, 34), gui::Point(170, 50), gui::Point(90, 150)}) {
                platform.postButtonPress(view->getWindow(), at, gui::leftButton | gui::altKey);
                platform.postButtonPress(view->getWindow(), at, gui::leftButton);
            }
        }
        panel.idle();
        panel.close();
        panel.idle();
    }

    gui::HeadlessPlatform platform;
    gui::NativeWindow window = 0;
};

TEST_F(DelayPanelAllocationTest, EveryFailedAllocationOfOpenIsSurvived)
{
    DelayPlugin plugin(host);
    auto* panel = static_cast<DelayPanel*>(plugin.getEditor());
    ASSERT_NE(panel, nullptr);
    bool reachedTheEnd = false;
    for (long n = 0; n < 200 && !reachedTheEnd; ++n) {
        countdown = n;
        const bool opened = panel->open(reinterpret_cast<void*>(window)) == 1;
        reachedTheEnd = countdown.load() >= 0; // this open needed fewer allocations than n
        countdown = -1;
        EXPECT_EQ(opened, panel->getRootView() != nullptr) << n;
        panel->close();
        exercise(*panel, platform, window, true); // and everything works again afterwards
    }
    EXPECT_TRUE(reachedTheEnd);
}

TEST_F(DelayPanelAllocationTest, PanelWithoutItsBackgroundKeepsItsSize)
{
    failSize = sizeof(gui::Picture);
    DelayPlugin plugin(host);
    failSize = 0;
    auto* panel = static_cast<DelayPanel*>(plugin.getEditor());
    ASSERT_NE(panel, nullptr);
    ERect* size = nullptr;
    panel->getRect(&size);
    EXPECT_EQ(size->right, 240);
    EXPECT_EQ(size->bottom, 160);
    exercise(*panel, platform, window, true);
}

// A failed instance as main sees it, and the next one built whole.
TEST_F(DelayPanelAllocationTest, NoMemoryForTheEditorMeansNoPlugin)
{
    failSize = sizeof(DelayPanel);
    EffectBase* effect = createEffectInstance(host);
    failSize = 0;
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(effect->constructionFailed()) << "main destroys it and answers null";
    EXPECT_EQ(effect->getEditor(), nullptr);
    EXPECT_EQ(effect->getAEffect()->flags & effFlagsHasEditor, 0);
    delete effect;

    EffectBase* next = createEffectInstance(host);
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->constructionFailed());
    EXPECT_NE(next->getEditor(), nullptr);
    delete next;
}

} // namespace
