#include "FakeHost.h"

FakeHost& FakeHost::instance()
{
    static FakeHost host;
    return host;
}

VstIntPtr FakeHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt)
{
    FakeHost& host = instance();
    host.calls.push_back({effect, opcode, index, value, ptr, opt});
    if (host.duringCall)
        host.duringCall(effect, opcode);
    const auto answer = host.answers.find(opcode);
    return answer == host.answers.end() ? 0 : answer->second;
}

void FakeHost::reset()
{
    calls.clear();
    answers.clear();
    duringCall = nullptr;
}
