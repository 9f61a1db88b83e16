// The module's entry points in a Windows DLL: DllMain records the instance handle, and
// VSTPluginMain is exported under that name and as main by the module's .def file.
#include <windows.h>

#include "Module.h"

// Loader thread, on every call whatever the reason.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    moduleInstance = instance;
    return TRUE;
}

// Host thread.
extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback)
{
    return moduleMain(hostCallback);
}
