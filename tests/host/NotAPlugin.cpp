// A shared library that is no plug-in: it has code but no entry symbol.
extern "C" __attribute__((visibility("default"))) int notAPluginAnswer()
{
    return 42;
}
