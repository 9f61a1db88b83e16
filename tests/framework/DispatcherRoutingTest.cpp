#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "EffectBaseExt.h"

namespace {

// Answers every opcode with a distinct value and notes which operation it reached with which
// arguments, so a swapped or dropped argument shows. Pointers are noted as T (the host's
// buffer), M (the marker) or 0.
class RecordingEffect : public EffectBaseExt {
public:
    RecordingEffect()
        : EffectBaseExt(nullptr, 4, 3)
    {
    }

    void process(float**, float**, VstInt32) override { }
    void setProgram(VstInt32 program) override { called("setProgram", program); }
    void setProgramName(char* name) override { called("setProgramName", tag(name)); }
    void getProgramName(char* name) override { called("getProgramName", tag(name)); }
    void getParamLabel(VstInt32 index, char* text) override
    {
        called("getParamLabel", index, tag(text));
    }
    void getParamDisplay(VstInt32 index, char* text) override
    {
        called("getParamDisplay", index, tag(text));
    }
    void getParamName(VstInt32 index, char* text) override
    {
        called("getParamName", index, tag(text));
    }
    VstInt32 getChunk(void** data, bool isPreset) override
    {
        return answered(40, "getChunk", tag(data), isPreset);
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override
    {
        return answered(41, "setChunk", tag(data), size, isPreset);
    }

    VstInt32 processEvents(void* events) override
    {
        return answered(5, "processEvents", tag(events));
    }
    bool canBeAutomated(VstInt32 index) override
    {
        return answered(false, "canBeAutomated", index);
    }
    bool string2Parameter(VstInt32 index, char* text) override
    {
        return answered(true, "string2Parameter", index, tag(text));
    }
    VstInt32 getNumProgramCategories() override { return answered(4, "getNumProgramCategories"); }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override
    {
        return answered(true, "getProgramNameIndexed", category, index, tag(text));
    }
    bool copyProgram(VstInt32 destination) override
    {
        return answered(true, "copyProgram", destination);
    }
    void connectInput(VstInt32 index, bool state) override { called("connectInput", index, state); }
    void connectOutput(VstInt32 index, bool state) override
    {
        called("connectOutput", index, state);
    }
    bool getInputProperties(VstInt32 index, void* p) override
    {
        return answered(true, "getInputProperties", index, tag(p));
    }
    bool getOutputProperties(VstInt32 index, void* p) override
    {
        return answered(true, "getOutputProperties", index, tag(p));
    }
    VstInt32 getPlugCategory() override { return answered(6, "getPlugCategory"); }
    VstInt32 getCurrentPosition() override { return answered(11, "getCurrentPosition"); }
    VstIntPtr getDestinationBuffer() override { return answered(12, "getDestinationBuffer"); }
    bool offlineNotify(void* files, VstInt32 count, bool start) override
    {
        return answered(true, "offlineNotify", tag(files), count, start);
    }
    bool offlinePrepare(void* tasks, VstInt32 count) override
    {
        return answered(true, "offlinePrepare", tag(tasks), count);
    }
    bool offlineRun(void* tasks, VstInt32 count) override
    {
        return answered(true, "offlineRun", tag(tasks), count);
    }
    bool processVarIo(void* varIo) override { return answered(true, "processVarIo", tag(varIo)); }
    bool setSpeakerArrangement(void* in, void* out) override
    {
        return answered(true, "setSpeakerArrangement", tag(in), tag(out));
    }
    bool setBypass(bool onOff) override { return answered(true, "setBypass", onOff); }
    bool getEffectName(char* text) override { return answered(true, "getEffectName", tag(text)); }
    bool getErrorText(char* text) override { return answered(true, "getErrorText", tag(text)); }
    bool getVendorString(char* text) override
    {
        return answered(true, "getVendorString", tag(text));
    }
    bool getProductString(char* text) override
    {
        return answered(true, "getProductString", tag(text));
    }
    VstInt32 getVendorVersion() override { return answered(1234, "getVendorVersion"); }
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override
    {
        return answered(42, "vendorSpecific", index, static_cast<VstInt32>(value), tag(ptr),
                        static_cast<VstInt32>(opt));
    }
    VstInt32 canDo(char* text) override { return answered(-1, "canDo", tag(text)); }
    VstIntPtr getIcon() override { return answered(77, "getIcon"); }
    bool setViewPosition(VstInt32 x, VstInt32 y) override
    {
        return answered(true, "setViewPosition", x, y);
    }
    VstInt32 getTailSize() override { return answered(99, "getTailSize"); }
    VstInt32 idle() override { return answered(3, "idle"); }
    bool getParameterProperties(VstInt32 index, void* p) override
    {
        return answered(true, "getParameterProperties", index, tag(p));
    }
    bool keysRequired() override { return answered(true, "keysRequired"); }
    VstInt32 getVstVersion() override { return answered(2400, "getVstVersion"); }

    std::string calls;
    char hostText[32] = {};
    int marker = 0;

private:
    std::string tag(const void* p) const
    {
        return p == hostText ? "T" : p == &marker ? "M" : p ? "?" : "0";
    }
    static std::string item(const std::string& s) { return s; }
    static std::string item(VstInt32 v) { return std::to_string(v); }
    static std::string item(bool b) { return b ? "true" : "false"; }
    template <typename... Args> void called(const char* name, Args... args)
    {
        std::string line = std::string(name) + "(";
        [[maybe_unused]] const char* separator = "";
        ((line += separator + item(args), separator = ","), ...);
        calls += line + ")";
    }
    template <typename Answer, typename... Args>
    Answer answered(Answer answer, const char* name, Args... args)
    {
        called(name, args...);
        return answer;
    }
};

enum class Value { number, marker };

struct RouteCase {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    Value valueKind;
    VstIntPtr answer;
    const char* call;
    friend std::ostream& operator<<(std::ostream& out, const RouteCase& c)
    {
        return out << "opcode " << c.opcode << " -> " << c.call;
    }
};

class DispatcherRoutingTest : public ::testing::TestWithParam<RouteCase> { };

// The host's buffer always goes in ptr and opt is 8.0: each opcode must hand index, value,
// ptr and opt to the right arguments and turn the answer into the right result.
TEST_P(DispatcherRoutingTest, ReachesItsOperationWithItsArguments)
{
    const RouteCase& c = GetParam();
    RecordingEffect effect;
    effect.calls.clear();
    AEffect* record = effect.getAEffect();
    const VstIntPtr value
        = c.valueKind == Value::marker ? reinterpret_cast<VstIntPtr>(&effect.marker) : c.value;
    EXPECT_EQ(record->dispatcher(record, c.opcode, c.index, value, effect.hostText, 8.0f), c.answer);
    EXPECT_EQ(effect.calls, c.call);
}

constexpr Value N = Value::number;

INSTANTIATE_TEST_SUITE_P(
    Opcodes, DispatcherRoutingTest,
    ::testing::Values(
        RouteCase {effSetProgram, 9, 2, N, 0, "setProgram(2)"},
        RouteCase {effSetProgramName, 0, 0, N, 0, "setProgramName(T)"},
        RouteCase {effGetProgramName, 0, 0, N, 0, "getProgramName(T)"},
        RouteCase {effGetParamLabel, 2, 5, N, 0, "getParamLabel(2,T)"},
        RouteCase {effGetParamDisplay, 2, 5, N, 0, "getParamDisplay(2,T)"},
        RouteCase {effGetParamName, 2, 5, N, 0, "getParamName(2,T)"},
        RouteCase {effGetChunk, 1, 0, N, 40, "getChunk(T,true)"},
        RouteCase {effGetChunk, 0, 0, N, 40, "getChunk(T,false)"},
        RouteCase {effSetChunk, 0, 16, N, 41, "setChunk(T,16,false)"},
        RouteCase {effProcessEvents, 0, 0, N, 5, "processEvents(T)"},
        RouteCase {effCanBeAutomated, 6, 1, N, 0, "canBeAutomated(6)"},
        RouteCase {effString2Parameter, 6, 1, N, 1, "string2Parameter(6,T)"},
        RouteCase {effGetNumProgramCategories, 0, 0, N, 4, "getNumProgramCategories()"},
        RouteCase {effGetProgramNameIndexed, 2, 3, N, 1, "getProgramNameIndexed(3,2,T)"},
        RouteCase {effCopyProgram, 2, 3, N, 1, "copyProgram(2)"},
        RouteCase {effConnectInput, 1, 0, N, 1, "connectInput(1,false)"},
        RouteCase {effConnectOutput, 1, 5, N, 1, "connectOutput(1,true)"},
        RouteCase {effGetInputProperties, 1, 0, N, 1, "getInputProperties(1,T)"},
        RouteCase {effGetOutputProperties, 1, 0, N, 1, "getOutputProperties(1,T)"},
        RouteCase {effGetPlugCategory, 0, 0, N, 6, "getPlugCategory()"},
        RouteCase {effGetCurrentPosition, 0, 0, N, 11, "getCurrentPosition()"},
        RouteCase {effGetDestinationBuffer, 0, 0, N, 12, "getDestinationBuffer()"},
        RouteCase {effOfflineNotify, 1, 3, N, 1, "offlineNotify(T,3,true)"},
        RouteCase {effOfflinePrepare, 1, 3, N, 1, "offlinePrepare(T,3)"},
        RouteCase {effOfflineRun, 1, 3, N, 1, "offlineRun(T,3)"},
        RouteCase {effProcessVarIo, 0, 0, N, 1, "processVarIo(T)"},
        RouteCase {effSetSpeakerArrangement, 0, 0, Value::marker, 1, "setSpeakerArrangement(M,T)"},
        RouteCase {effSetBypass, 0, 1, N, 1, "setBypass(true)"},
        RouteCase {effGetEffectName, 0, 0, N, 1, "getEffectName(T)"},
        RouteCase {effGetErrorText, 0, 0, N, 1, "getErrorText(T)"},
        RouteCase {effGetVendorString, 0, 0, N, 1, "getVendorString(T)"},
        RouteCase {effGetProductString, 0, 0, N, 1, "getProductString(T)"},
        RouteCase {effGetVendorVersion, 0, 0, N, 1234, "getVendorVersion()"},
        RouteCase {effVendorSpecific, 4, 5, N, 42, "vendorSpecific(4,5,T,8)"},
        RouteCase {effCanDo, 0, 0, N, -1, "canDo(T)"},
        RouteCase {effGetTailSize, 0, 0, N, 99, "getTailSize()"},
        RouteCase {effIdle, 0, 0, N, 3, "idle()"}, RouteCase {effGetIcon, 0, 0, N, 77, "getIcon()"},
        RouteCase {effSetViewPosition, 10, 20, N, 1, "setViewPosition(10,20)"},
        RouteCase {effGetParameterProperties, 2, 0, N, 1, "getParameterProperties(2,T)"},
        RouteCase {effKeysRequired, 0, 0, N, 0, "keysRequired()"},
        RouteCase {effGetVstVersion, 0, 0, N, 2400, "getVstVersion()"}));

} // namespace
