// Hands values built on other threads (coefficient tables, shaper tables) to the audio thread
// whole, and the ones it has let go back to be freed: no lock, and nothing allocated or freed
// on the audio thread. Any number of threads may offer; one audio thread takes.
#pragma once

#include <atomic>
#include <utility>

template <typename T>
class Handoff {
public:
    // Construction (any thread, before audio runs): initial becomes the current value.
    explicit Handoff(T initial) : current(new Node{std::move(initial), nullptr}) {}
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // Destruction (host thread, no audio running).
    ~Handoff()
    {
        collect();
        delete pending.load(std::memory_order_acquire);
        delete current;
    }

    // Any thread but the audio thread: value becomes current at the audio thread's next take;
    // an earlier offer not taken yet is dropped. Frees what the audio thread has let go.
    void offer(T value)
    {
        collect();
        delete pending.exchange(new Node{std::move(value), nullptr}, std::memory_order_acq_rel);
    }

    // Audio thread: switches to the value offered last, if any, and answers it (null when
    // nothing new was offered). The value it replaces waits to be freed by the next offer.
    T* take()
    {
        Node* fresh = pending.exchange(nullptr, std::memory_order_acquire);
        if (fresh == nullptr)
            return nullptr;
        Node* old = current;
        current = fresh;
        old->next = retired.load(std::memory_order_relaxed);
        while (!retired.compare_exchange_weak(old->next, old, std::memory_order_release,
                                              std::memory_order_relaxed)) {
        }
        return &fresh->value;
    }

    // Audio thread (or any thread while no audio runs): the value in use.
    T& value() { return current->value; }
    const T& value() const { return current->value; }

private:
    struct Node {
        T value;
        Node* next;
    };

    // Frees every value the audio thread has let go; taking the whole list at once leaves it
    // nothing to race with.
    void collect()
    {
        Node* node = retired.exchange(nullptr, std::memory_order_acquire);
        while (node != nullptr) {
            Node* next = node->next;
            delete node;
            node = next;
        }
    }

    Node* current;
    std::atomic<Node*> pending{nullptr};
    std::atomic<Node*> retired{nullptr};
};
