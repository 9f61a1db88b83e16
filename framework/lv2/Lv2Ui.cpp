// The LV2 UI entry: the plug-in's editor embedded in the window the host gives (ui:parent),
// pumped by the idle interface, its size told through ui:resize. The editor sees a stand-in
// effect that holds what the host reports of the ports; its edits become port writes, so that
// the UI and the DSP share nothing but the host's messages.
#include "EditorBase.h"
#include "EditorLink.h"
#include "EffectBase.h"
#include "Lv2Info.h"
#include "Lv2UiPlugin.h"

#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The values the editor reads: the host's port values, normalised.
class StandInEffect : public EffectBase {
public:
    explicit StandInEffect(const lv2::PluginInfo& plugin)
        : EffectBase(nullptr, 0, static_cast<VstInt32>(plugin.parameters.size())), info(plugin)
    {
        for (const Parameter& p : info.parameters)
            values.push_back(p.defaultValue);
    }
    void setParameter(VstInt32 index, float value) override
    {
        if (index < 0 || index >= static_cast<VstInt32>(values.size()) || !std::isfinite(value))
            return;
        values[index] = value;
        if (editor)
            editor->setParameter(index, value);
    }
    float getParameter(VstInt32 index) override
    {
        return index >= 0 && index < static_cast<VstInt32>(values.size()) ? values[index] : 0.0f;
    }
    void process(float**, float**, VstInt32) override {}

    const lv2::PluginInfo& info;

private:
    std::vector<float> values;
};

// An edit: the stand-in shows it, the host gets the port's new value in the user's units; an
// edit of what has no port (Vorlane's curve) goes to the plug-in as the state's bytes in a
// message.
class PortLink : public EditorLink {
public:
    PortLink(StandInEffect& standIn, LV2UI_Write_Function writeFunction, LV2UI_Controller hostController)
        : effect(standIn), write(writeFunction), controller(hostController)
    {
    }
    void parameterEdited(VstInt32 index, float value) override
    {
        effect.setParameter(index, value);
        const lv2::PluginInfo& info = effect.info;
        if (index >= 0 && index < static_cast<VstInt32>(info.parameters.size()) && !info.hasPort(index)) {
            sendState();
            return;
        }
        for (std::uint32_t port = 0; port < info.portCount(); ++port) {
            if (info.parameterOfPort(port) != index)
                continue;
            const float user = static_cast<float>(info.parameters[index].toUser(value));
            write(controller, port, sizeof user, 0, &user);
        }
    }
    void curveMoved() override { sendState(); }

    // The state's bytes as an atom:Chunk; an empty one asks the plug-in for its state.
    void sendMessage(const std::vector<unsigned char>& bytes)
    {
        if (!eventTransfer || effect.info.atomPorts() == 0)
            return;
        std::vector<unsigned char> atom(sizeof(LV2_Atom) + bytes.size());
        const LV2_Atom header{static_cast<uint32_t>(bytes.size()), chunkType};
        std::memcpy(atom.data(), &header, sizeof header);
        std::copy(bytes.begin(), bytes.end(), atom.begin() + sizeof header);
        write(controller, effect.info.messagePort(), static_cast<uint32_t>(atom.size()), eventTransfer, atom.data());
    }

    lv2::UiParts* parts = nullptr;
    LV2_URID eventTransfer = 0;
    LV2_URID chunkType = 0;

private:
    void sendState()
    {
        if (!parts)
            return;
        const std::vector<unsigned char> bytes = parts->editedState(effect);
        if (!bytes.empty())
            sendMessage(bytes);
    }

    StandInEffect& effect;
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
};

struct Ui {
    Ui(LV2UI_Write_Function write, LV2UI_Controller controller)
        : parts(lv2::createUiParts()), effect(lv2::pluginInfo()), link(effect, write, controller)
    {
        link.parts = parts.get();
    }
    ~Ui()
    {
        EditorBase* editor = effect.getEditor();
        if (!editor)
            return;
        editor->close();
        effect.setEditor(nullptr);
        delete editor;
    }
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    std::unique_ptr<lv2::UiParts> parts;
    StandInEffect effect;
    PortLink link;
};

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i) {
        if (std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    }
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!parent || !write || !widget)
        return nullptr;
    try {
        auto ui = std::make_unique<Ui>(write, controller);
        if (const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map))) {
            ui->link.eventTransfer = map->map(map->handle, LV2_ATOM__eventTransfer);
            ui->link.chunkType = map->map(map->handle, LV2_ATOM__Chunk);
        }
        EditorBase* editor = ui->parts->createEditor(ui->effect, ui->link);
        if (!editor || ui->effect.constructionFailed() || ui->effect.getEditor() != editor) {
            delete editor;
            return nullptr;
        }
        if (editor->open(parent) == 0 || !editor->window())
            return nullptr;
        *widget = editor->window();
        ERect* rect = nullptr;
        const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
        if (resize && editor->getRect(&rect) && rect)
            resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
        // The curve the plug-in holds, if it has one.
        ui->link.sendMessage({});
        return ui.release();
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) { delete static_cast<Ui*>(handle); }

// The host's UI thread: a control port's value in the user's units, or a message on notify.
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    auto& ui = *static_cast<Ui*>(handle);
    if (format != 0 && format == ui.link.eventTransfer && buffer && size >= sizeof(LV2_Atom) &&
        ui.effect.info.atomPorts() > 0 && port == ui.effect.info.notifyPort()) {
        LV2_Atom atom;
        std::memcpy(&atom, buffer, sizeof atom);
        if (atom.type == ui.link.chunkType && atom.size <= size - sizeof atom)
            ui.parts->stateTold(ui.effect, static_cast<const unsigned char*>(buffer) + sizeof atom, atom.size);
        return;
    }
    const int index = ui.effect.info.parameterOfPort(port);
    if (format != 0 || size != sizeof(float) || !buffer || index < 0)
        return;
    float user;
    std::memcpy(&user, buffer, sizeof user);
    ui.effect.setParameter(index, ui.effect.info.parameters[index].toNormalised(user));
}

int idle(LV2UI_Handle handle)
{
    if (EditorBase* editor = static_cast<Ui*>(handle)->effect.getEditor())
        editor->idle();
    return 0;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    static const std::string uri = std::string(lv2::pluginInfo().uri) + "#ui";
    static const LV2UI_Descriptor descriptor = {uri.c_str(), instantiate, cleanup, portEvent, extensionData};
    return index == 0 ? &descriptor : nullptr;
}
