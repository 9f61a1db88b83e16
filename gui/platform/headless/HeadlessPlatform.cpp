#include "HeadlessPlatform.h"

#include <algorithm>

namespace gui {

struct HeadlessPlatform::Node {
    NativeWindow parent = 0;
    Rect placement; // left, top in the parent's client area; width and height
    std::string className;
    std::string title;
    WindowListener* listener = nullptr;
    PixelBuffer* surface = nullptr; // the toolkit's windows only
    std::int32_t presents = 0;
    std::int32_t raises = 0;
};

class HeadlessWindow : public PlatformWindow {
public:
    HeadlessWindow(HeadlessPlatform& platform, NativeWindow id, std::int32_t width, std::int32_t height)
        : platform_(platform), id_(id), surface_(width, height) {}
    ~HeadlessWindow() override {
        if (HeadlessPlatform::Node* n = platform_.node(id_)) {
            n->surface = nullptr;
            n->listener = nullptr;
            platform_.destroyWindow(id_);
        }
        std::erase_if(platform_.events_, [this](const HeadlessPlatform::Event& e) { return e.window == id_; });
    }
    NativeWindow handle() const override { return id_; }
    Surface& surface() override { return surface_; }
    void present() override {
        if (surface_.damage().right <= surface_.damage().left) return;
        surface_.clearDamage();
        if (HeadlessPlatform::Node* n = platform_.node(id_)) ++n->presents;
    }
    void setListener(WindowListener* listener) override {
        if (HeadlessPlatform::Node* n = platform_.node(id_)) n->listener = listener;
        if (!listener) {
            std::erase_if(platform_.events_, [this](const HeadlessPlatform::Event& e) { return e.window == id_; });
        }
    }
    PixelBuffer& buffer() { return surface_; }

private:
    HeadlessPlatform& platform_;
    NativeWindow id_;
    PixelBuffer surface_;
};

class HeadlessEditLine : public PlatformEditLine {
public:
    HeadlessEditLine(HeadlessPlatform& platform, NativeWindow window, const Rect& area, const char* text,
                     const EditLineLook& look, EditLineListener* listener)
        : platform_(platform), window_(window), area_(area), look_(look), listener_(listener),
          content_(text, look, area.width(), area.height()), pixels_(area.width(), area.height()) {
        content_.draw(pixels_);
    }
    ~HeadlessEditLine() override {
        std::erase(platform_.editLines_, this);
        std::erase_if(platform_.events_, [this](const HeadlessPlatform::Event& e) { return e.line == this; });
        if (platform_.focused_ == this) platform_.focused_ = nullptr;
    }
    void getText(char* out, std::int32_t capacity) const override { content_.getText(out, capacity); }

    // Typing and keys; a Return tells the listener, which may destroy this line.
    void typed(unsigned char c) {
        if (content_.type(c)) content_.draw(pixels_);
    }
    void key(EditKey k) {
        const bool ended = content_.key(k);
        content_.draw(pixels_);
        if (ended) listener_->editLineEnded();
    }
    void focusLost() { listener_->editLineEnded(); }

    HeadlessPlatform::EditLineState state() const {
        return HeadlessPlatform::EditLineState{window_, area_, look_, content_.text(), content_.caret(),
                                               platform_.focused_ == this, &pixels_};
    }

private:
    HeadlessPlatform& platform_;
    NativeWindow window_;
    Rect area_;
    EditLineLook look_;
    EditLineListener* listener_;
    EditLineText content_;
    PixelBuffer pixels_;
};

HeadlessPlatform::HeadlessPlatform() = default;
HeadlessPlatform::~HeadlessPlatform() = default;

HeadlessPlatform::Node* HeadlessPlatform::node(NativeWindow window) const {
    auto found = nodes_.find(window);
    return found == nodes_.end() ? nullptr : found->second.get();
}

NativeWindow HeadlessPlatform::createHostWindow(NativeWindow parent, const Rect& placement) {
    if (parent && !node(parent)) return 0;
    NativeWindow id = nextId_++;
    auto n = std::make_unique<Node>();
    n->parent = parent;
    n->placement = placement;
    nodes_.emplace(id, std::move(n));
    return id;
}

void HeadlessPlatform::destroyWindow(NativeWindow window) {
    Node* n = node(window);
    if (!n) return;
    for (NativeWindow child : childrenOf(window)) destroyWindow(child);
    if (n->listener) events_.push_back(Event{Event::destroyed, window, Point(), 0, n->listener});
    nodes_.erase(window);
}

bool HeadlessPlatform::exists(NativeWindow window) const {
    return node(window) != nullptr;
}

std::vector<NativeWindow> HeadlessPlatform::childrenOf(NativeWindow window) const {
    std::vector<NativeWindow> out;
    for (const auto& [id, n] : nodes_) {
        if (n->parent == window) out.push_back(id);
    }
    return out;
}

Surface* HeadlessPlatform::surfaceOf(NativeWindow window) {
    Node* n = node(window);
    return n ? n->surface : nullptr;
}

const char* HeadlessPlatform::classOf(NativeWindow window) const {
    Node* n = node(window);
    return n ? n->className.c_str() : nullptr;
}

const char* HeadlessPlatform::titleOf(NativeWindow window) const {
    Node* n = node(window);
    return n ? n->title.c_str() : nullptr;
}

std::int32_t HeadlessPlatform::presentCount(NativeWindow window) const {
    Node* n = node(window);
    return n ? n->presents : 0;
}

std::int32_t HeadlessPlatform::raiseCount(NativeWindow window) const {
    Node* n = node(window);
    return n ? n->raises : 0;
}

void HeadlessPlatform::postPaint(NativeWindow window) {
    events_.push_back(Event{Event::paint, window, Point(), 0, nullptr});
}

void HeadlessPlatform::postButtonPress(NativeWindow window, Point client, std::int32_t buttons) {
    events_.push_back(Event{Event::press, window, client, buttons, nullptr});
}

void HeadlessPlatform::typeText(const char* text) {
    for (const char* p = text; p && *p; ++p) {
        events_.push_back(Event{Event::typed, 0, Point(), static_cast<unsigned char>(*p)});
    }
}

void HeadlessPlatform::pressKey(EditKey key) {
    events_.push_back(Event{Event::key, 0, Point(), static_cast<std::int32_t>(key)});
}

void HeadlessPlatform::moveFocusAway() {
    events_.push_back(Event{Event::focusLost, 0, Point(), 0}); // from whichever line has it then
}

std::vector<HeadlessPlatform::EditLineState> HeadlessPlatform::editLines() const {
    std::vector<EditLineState> out;
    for (const HeadlessEditLine* line : editLines_) out.push_back(line->state());
    return out;
}

HeadlessEditLine* HeadlessPlatform::focusedLine() const {
    return focused_;
}

void HeadlessPlatform::queueMenuAnswer(std::int32_t choice, std::optional<Point> closingClick) {
    menuAnswers_.push_back(MenuAnswer{choice, closingClick});
}

std::unique_ptr<PlatformEditLine> HeadlessPlatform::createEditLine(NativeWindow window, const Rect& area,
                                                                   const char* text, const EditLineLook& look,
                                                                   EditLineListener* listener) {
    if (!node(window) || !listener || area.width() <= 0 || area.height() <= 0) return nullptr;
    auto line = std::make_unique<HeadlessEditLine>(*this, window, area, text, look, listener);
    editLines_.push_back(line.get());
    // Taking the focus takes it from the line that had it, which learns of it later.
    if (focused_) {
        Event lost{Event::focusLost, 0, Point(), 0};
        lost.line = focused_;
        events_.push_back(lost);
    }
    focused_ = line.get();
    return line;
}

std::int32_t HeadlessPlatform::popupMenu(NativeWindow owner, Point screen, const MenuEntry* entries,
                                         std::int32_t count) {
    MenuShown shown{owner, screen, {}, {}, {}, presentCount(owner)};
    for (std::int32_t i = 0; entries && i < count; ++i) {
        shown.texts.emplace_back(entries[i].text ? entries[i].text : "");
        shown.separators.push_back(entries[i].separator);
        shown.checks.push_back(entries[i].checked);
    }
    menus_.push_back(std::move(shown));
    if (menuAnswers_.empty() || !node(owner)) return -1;
    const MenuAnswer answer = menuAnswers_.front();
    menuAnswers_.pop_front();
    if (answer.closingClick) postButtonPress(owner, *answer.closingClick);
    return answer.choice;
}

std::int32_t HeadlessPlatform::discardPendingPresses(NativeWindow window, std::int32_t count) {
    std::int32_t dropped = 0;
    for (auto it = events_.begin(); it != events_.end() && dropped < count;) {
        if (it->kind == Event::press && it->window == window) {
            it = events_.erase(it);
            ++dropped;
        } else {
            ++it;
        }
    }
    return dropped;
}

std::int32_t HeadlessPlatform::classRegistrations(const std::string& className) const {
    auto found = classes_.find(className);
    return found == classes_.end() ? 0 : found->second;
}

void HeadlessPlatform::setPointer(Point screen, std::int32_t buttons) {
    script_.clear();
    pointer_ = screen;
    buttons_ = buttons;
}

void HeadlessPlatform::queuePointer(Point screen, std::int32_t buttons, std::uint32_t clockStep) {
    script_.push_back(PointerState{screen, buttons, clockStep});
}

bool HeadlessPlatform::registerWindowClass(const char* className) {
    ++classes_[className];
    return true;
}

void HeadlessPlatform::unregisterWindowClass(const char* className) {
    auto found = classes_.find(className);
    if (found != classes_.end() && --found->second <= 0) classes_.erase(found);
}

std::unique_ptr<PlatformWindow> HeadlessPlatform::createChildWindow(const char* className,
                                                                    const char* title,
                                                                    NativeWindow parent,
                                                                    std::int32_t width,
                                                                    std::int32_t height,
                                                                    WindowListener* listener) {
    if (!parent || !node(parent) || classRegistrations(className) == 0) return nullptr;
    NativeWindow id = createHostWindow(parent, Rect(0, 0, width, height));
    auto window = std::make_unique<HeadlessWindow>(*this, id, width, height);
    Node* n = node(id);
    n->className = className;
    n->title = title;
    n->listener = listener;
    n->surface = &window->buffer();
    events_.push_back(Event{Event::paint, id, Point(), 0, nullptr});
    return window;
}

void HeadlessPlatform::deliver(const Event& e) {
    Node* n = node(e.window);
    WindowListener* listener = n ? n->listener : nullptr;
    switch (e.kind) {
    case Event::paint:
        if (listener) listener->windowPaint();
        break;
    case Event::press:
        if (listener) {
            ++pressDepth_;
            listener->windowButtonPress(e.where, e.buttons);
            --pressDepth_;
        }
        break;
    case Event::destroyed:
        // The node is gone; the window object (which drops this event when it dies) is not.
        if (e.listener) e.listener->windowDestroyed();
        break;
    case Event::typed:
        if (HeadlessEditLine* line = focusedLine()) line->typed(static_cast<unsigned char>(e.buttons));
        break;
    case Event::key:
        if (HeadlessEditLine* line = focusedLine()) line->key(static_cast<EditKey>(e.buttons));
        break;
    case Event::focusLost:
        if (HeadlessEditLine* line = e.line ? e.line : focusedLine()) {
            if (focused_ == line) focused_ = nullptr;
            line->focusLost();
        }
        break;
    }
}

void HeadlessPlatform::dispatchPendingEvents() {
    // Presses wait while one is being handled; everything else goes now, in order.
    std::size_t i = 0;
    while (i < events_.size()) {
        if (events_[i].kind == Event::press && pressDepth_ > 0) {
            ++i;
            continue;
        }
        Event e = events_[i];
        events_.erase(events_.begin() + std::ptrdiff_t(i));
        deliver(e);
    }
}

bool HeadlessPlatform::dispatchPendingPaint() {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        if (it->kind == Event::paint) {
            Event e = *it;
            events_.erase(it);
            deliver(e);
            return true;
        }
    }
    return false;
}

std::int32_t HeadlessPlatform::mouseButtons(NativeWindow window, Point& where) {
    ++buttonPolls_;
    if (!script_.empty()) {
        pointer_ = script_.front().where;
        buttons_ = script_.front().buttons;
        clock_ += script_.front().step;
        script_.pop_front();
    }
    where = cursorPosition(window);
    return window && !node(window) ? 0 : buttons_;
}

Point HeadlessPlatform::cursorPosition(NativeWindow window) {
    return window ? screenToClient(window, pointer_) : pointer_;
}

NativeWindow HeadlessPlatform::parentOf(NativeWindow window) {
    Node* n = node(window);
    return n ? n->parent : 0;
}

bool HeadlessPlatform::screenRect(NativeWindow window, Rect& out) {
    Node* n = node(window);
    if (!n) return false;
    std::int32_t x = n->placement.left;
    std::int32_t y = n->placement.top;
    for (Node* p = node(n->parent); p; p = node(p->parent)) {
        x += p->placement.left;
        y += p->placement.top;
    }
    out = Rect(x, y, x + n->placement.width(), y + n->placement.height());
    return true;
}

Point HeadlessPlatform::screenToClient(NativeWindow window, Point screen) {
    Rect r;
    if (!screenRect(window, r)) return screen;
    return Point(screen.h - r.left, screen.v - r.top);
}

bool HeadlessPlatform::resizeWindow(NativeWindow window, std::int32_t width, std::int32_t height) {
    Node* n = node(window);
    if (!n) return false;
    n->placement.right = n->placement.left + width;
    n->placement.bottom = n->placement.top + height;
    if (n->surface) {
        n->surface->resize(width, height);
        postPaint(window);
    }
    return true;
}

void HeadlessPlatform::raiseWindow(NativeWindow window) {
    if (Node* n = node(window)) ++n->raises;
}

} // namespace gui
