// One of Ombrisk's sixteen programs: the eight normalised parameter values and a name.
#pragma once

struct DelayProgram {
    float values[8] = {0.5f, 0.5f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    // Zero-terminated, at most 23 characters.
    char name[24] = "Init";
};
