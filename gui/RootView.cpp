#include "RootView.h"

#include "DrawPort.h"
#include "GuiEditorBase.h"
#include "Picture.h"

#include "AEffect.h"
#include "EffectBaseExt.h"
#include "Module.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace gui {

namespace {

std::int32_t classRegistrations = 0;
char className[32] = {};

constexpr std::int32_t growthStep = 10;
// A window this much larger than its child is a host's frame, not a border around us.
constexpr std::int32_t borderLimit = 80;

} // namespace

bool RootView::registerWindowClass() {
    if (++classRegistrations == 1) {
        std::snprintf(className, sizeof className, "Plugin%08x",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(moduleInstance)));
        Platform::get().registerWindowClass(className);
    }
    return true;
}

void RootView::unregisterWindowClass() {
    if (classRegistrations <= 0) return;
    if (--classRegistrations == 0) Platform::get().unregisterWindowClass(className);
}

const char* RootView::windowClassName() {
    if (!className[0]) {
        std::snprintf(className, sizeof className, "Plugin%08x",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(moduleInstance)));
    }
    return className;
}

RootView::RootView(const Rect& r, void* parentWindowHandle, GuiEditorBase* ownerEditor)
    : Widget(r), editor(ownerEditor) {
    parentWindow = reinterpret_cast<NativeWindow>(parentWindowHandle);
    createWindow(parentWindowHandle);
}

RootView::RootView(const Rect& r, const char* title, GuiEditorBase* ownerEditor, std::int32_t style)
    : Widget(r), editor(ownerEditor), windowOpen(false), hostWindowMode(true) {
    windowDescription = new (std::nothrow) VstWindow{};
    if (!windowDescription) return;
    if (title) {
        std::strncpy(windowDescription->title, title, sizeof windowDescription->title - 1);
    }
    windowDescription->xPos = static_cast<VstInt16>(rect.left);
    windowDescription->yPos = static_cast<VstInt16>(rect.top);
    windowDescription->width = static_cast<VstInt16>(rect.width());
    windowDescription->height = static_cast<VstInt16>(rect.height());
    windowDescription->style = style;
}

RootView::~RootView() {
    if (focusWidget) focusWidget->endEditing();
    focusWidget = nullptr;
    for (std::int32_t i = 0; i < count; ++i) delete widgets[i];
    delete[] widgets;
    widgets = nullptr;
    count = capacity = 0;
    modalWidget = nullptr;
    if (background) background->release();
    background = nullptr;
    if (window) {
        window->setListener(nullptr);
        window.reset();
        unregisterWindowClass();
    }
    if (hostWindowMode) closeHostWindow();
    delete windowDescription;
}

bool RootView::createWindow(void* parentHandle) {
    if (!parentHandle) return false;
    registerWindowClass();
    if (window) {
        // A host window opened again: the child window of the old one goes, with its
        // registration, or the module's class (and display connection) would stay forever.
        window->setListener(nullptr);
        window.reset();
        unregisterWindowClass();
    }
    window = Platform::get().createChildWindow(className, "Window",
                                               reinterpret_cast<NativeWindow>(parentHandle),
                                               rect.width(), rect.height(), this);
    if (!window) {
        // Nothing to draw into: the view stays quiet.
        unregisterWindowClass();
        return false;
    }
    return true;
}

NativeWindow RootView::getWindow() const {
    return window ? window->handle() : 0;
}

void RootView::draw(DrawPort& port) {
    firstPaintPending = false;
    if (background) {
        // Where a widget covers its rect wholly, the background would only be drawn over. Only
        // wide rects are left out: a narrow one splits each row it crosses into more copies,
        // which costs more than the few pixels it saves.
        constexpr std::int32_t maxHoles = 64;
        constexpr std::int32_t narrowestHole = 40;
        Rect holes[maxHoles];
        std::int32_t holeCount = 0;
        for (std::int32_t i = 0; i < count && holeCount < maxHoles; ++i) {
            const Rect& r = widgets[i]->getRect();
            if (std::int64_t(r.right) - r.left >= narrowestHole && widgets[i]->coversRect()) holes[holeCount++] = r;
        }
        background->drawAround(port, Rect(0, 0, background->width(), background->height()), Point(0, 0), holes,
                               holeCount);
    }
    for (std::int32_t i = 0; i < count; ++i) widgets[i]->drawInView(port);
    if (modalWidget) modalWidget->drawInView(port);
}

bool RootView::containsWidget(const Widget* widget) const {
    for (std::int32_t i = 0; i < count && widget; ++i) {
        if (widgets[i] == widget) return true;
    }
    return false;
}

void RootView::redrawWidget(Widget* widget) {
    Widget* found = containsWidget(widget) ? widget : nullptr;
    withWindowPort([this, found](DrawPort& port) {
        if (found) found->draw(port);
        else draw(port);
    });
}

bool RootView::withWindowPort(const std::function<void(DrawPort&)>& drawing) {
    if (!window || !windowOpen) return false;
    // The window object stays until the view goes, even when the drawing (a press handled
    // by a widget, say) saw the host destroy the native window meanwhile.
    PlatformWindow* target = window.get();
    {
        DrawPort port(this, &target->surface(), target);
        drawing(port);
    }
    target->present();
    return true;
}

void RootView::update(DrawPort& port) {
    if (!windowOpen) return;
    if (modalWidget) {
        modalWidget->update(port);
        return;
    }
    for (std::int32_t i = 0; i < count; ++i) widgets[i]->update(port);
}

void RootView::idle() {
    if (firstPaintPending) return;
    withWindowPort([this](DrawPort& port) { update(port); });
}

void RootView::idleWhileTracking() {
    if (editor) editor->idleWhileTracking();
}

void RootView::mouse(DrawPort& port, Point where) {
    if (focusWidget && !where.liesIn(focusWidget->getRect())) {
        focusWidget->endEditing();
        focusWidget = nullptr;
    }
    if (modalWidget) {
        if (where.liesIn(modalWidget->getRect()) && modalWidget->takesPresses()) modalWidget->mouse(port, where);
        return;
    }
    for (std::int32_t i = count - 1; i >= 0; --i) {
        if (where.liesIn(widgets[i]->getRect()) && widgets[i]->takesPresses()) {
            widgets[i]->mouse(port, where);
            return;
        }
    }
}

bool RootView::addWidget(Widget* widget) {
    if (!widget) return false;
    if (count == capacity) {
        Widget** grown = new (std::nothrow) Widget*[std::size_t(capacity) + growthStep];
        if (!grown) return false;
        for (std::int32_t i = 0; i < count; ++i) grown[i] = widgets[i];
        delete[] widgets;
        widgets = grown;
        capacity += growthStep;
    }
    widgets[count++] = widget;
    widget->parent = this;
    return true;
}

bool RootView::removeWidget(Widget* widget) {
    for (std::int32_t i = 0; i < count; ++i) {
        if (widgets[i] == widget) {
            for (std::int32_t j = i + 1; j < count; ++j) widgets[j - 1] = widgets[j];
            --count;
            // A removed widget can no longer be modal or hold the focus here.
            if (modalWidget == widget) modalWidget = nullptr;
            if (focusWidget == widget) focusWidget = nullptr;
            break;
        }
    }
    return true;
}

void RootView::setBackground(Picture* picture) {
    if (picture) picture->retain();
    if (background) background->release();
    background = picture;
}

bool RootView::setModalWidget(Widget* widget) {
    if (widget && modalWidget) return false;
    modalWidget = widget;
    return true;
}

void RootView::setFocusWidget(Widget* widget) {
    focusWidget = widget;
}

bool RootView::openHostWindow(const Point* position) {
    if (!hostWindowMode) return false;
    Platform& platform = Platform::get();
    if (windowOpen) {
        NativeWindow host = platform.parentOf(parentWindow);
        platform.raiseWindow(host ? host : parentWindow);
        return false;
    }
    if (windowDescription) {
        if (position) {
            windowDescription->xPos = static_cast<VstInt16>(position->h);
            windowDescription->yPos = static_cast<VstInt16>(position->v);
        }
        auto* effect = editor ? dynamic_cast<EffectBaseExt*>(editor->getEffect()) : nullptr;
        if (effect) parentWindow = reinterpret_cast<NativeWindow>(effect->hostOpenWindow(windowDescription));
    }
    if (parentWindow && createWindow(reinterpret_cast<void*>(parentWindow))) windowOpen = true;
    return windowOpen;
}

bool RootView::closeHostWindow() {
    if (!hostWindowMode || !windowOpen || !parentWindow) return false;
    auto* effect = editor ? dynamic_cast<EffectBaseExt*>(editor->getEffect()) : nullptr;
    if (effect && windowDescription) effect->hostCloseWindow(windowDescription);
    parentWindow = 0;
    return true;
}

bool RootView::getPosition(std::int32_t& x, std::int32_t& y) {
    if (!windowOpen || !window) return false;
    Platform& platform = Platform::get();
    NativeWindow above = platform.parentOf(platform.parentOf(window->handle()));
    Rect r;
    if (!above || !platform.screenRect(above, r)) {
        x = y = 0;
        return true;
    }
    Point p(r.left, r.top);
    if (NativeWindow client = platform.parentOf(above)) p = platform.screenToClient(client, p);
    x = p.h;
    y = p.v;
    return true;
}

bool RootView::getSize(Rect& out) {
    if (!windowOpen || !window) return false;
    Platform& platform = Platform::get();
    NativeWindow host = platform.parentOf(window->handle());
    Rect r;
    if (!host || !platform.screenRect(host, r)) return false;
    Point p(r.left, r.top);
    if (NativeWindow client = platform.parentOf(platform.parentOf(host))) p = platform.screenToClient(client, p);
    out = Rect(p.h, p.v, p.h + r.width(), p.v + r.height());
    return true;
}

bool RootView::setSize(std::int32_t width, std::int32_t height) {
    if (!windowOpen || !window || (width == rect.width() && height == rect.height())) return false;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    Platform& platform = Platform::get();
    const std::int32_t limit = 2 * platform.dialogFrameHeight();
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    NativeWindow w = window->handle();
    while (dx != limit && w) {
        NativeWindow up = platform.parentOf(w);
        Rect own;
        Rect outer;
        bool measured = platform.screenRect(w, own) && up && platform.screenRect(up, outer);
        platform.resizeWindow(w, width + dx, height + dy);
        if (!measured) return true; // the top of the tree: nothing above to keep borders for
        dx = outer.width() - own.width();
        dy = outer.height() - own.height();
        if (dx > borderLimit || dy > borderLimit) return true;
        w = up;
    }
    if (w) platform.resizeWindow(w, width + dx, height + dy);
    return true;
}

void RootView::windowPaint() {
    withWindowPort([this](DrawPort& port) { draw(port); });
}

void RootView::windowButtonPress(Point where, std::int32_t buttons) {
    withWindowPort([this, where, buttons](DrawPort& port) {
        port.setPress(where, buttons);
        mouse(port, where);
    });
}

void RootView::windowDestroyed() {
    windowOpen = false;
    parentWindow = 0;
}

} // namespace gui
