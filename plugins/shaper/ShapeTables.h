// The shaper table with its slopes, built aside by the host or editor thread and handed to the
// audio thread whole: the audio thread never reads a table while it is being written.
#pragma once

#include <atomic>
#include <memory>

struct ShapeTable {
    static constexpr int size = 1024;
    float values[size];
    // Entry i is values[i + 1] - values[i]; the last is 0.
    float slopes[size];
};

// Three tables: the one the audio thread reads, the one being built and the newest finished
// one between them, exchanged atomically.
class ShapeTables {
public:
    ShapeTables();

    // The builder (one thread at a time): fill spare(), then publish() it.
    ShapeTable& spare() { return tables[building]; }
    void publish();
    // The builder: the table it published last.
    const ShapeTable& latest() const { return tables[newest]; }

    // Audio thread: the newest table published; it stays untouched until the next call.
    const ShapeTable& current();

private:
    static constexpr int fresh = 4;  // with the index of the table between: not yet taken

    std::unique_ptr<ShapeTable[]> tables;
    std::atomic<int> between{1};
    int reading = 0;
    int building = 2;
    int newest = 0;
};
