// One of Ombrisk's sixteen programs: the eight normalised parameter values and a name.
#pragma once

#include "DelayParameters.h"

struct DelayProgram {
    DelayProgram()
    {
        for (int i = 0; i < ombrisk::parameterCount; ++i)
            values[i] = ombrisk::parameters[i].defaultValue;
    }

    float values[ombrisk::parameterCount];
    // Zero-terminated, at most 23 characters.
    char name[24] = "Init";
};
