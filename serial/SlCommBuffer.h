#pragma once

// The write thread's transmit queue: bytes always start at the beginning of the storage, whose capacity is
// fixed at creation. Guarded by the port's write lock; the class itself has no lock.

#include <vector>

class TSlCommBuffer {
public:
    explicit TSlCommBuffer(int Size);

    int Capacity() const { return int(Storage_.size()); }
    int Used() const { return Used_; }
    unsigned char* DataPtr() { return Storage_.data(); }

    // Appends Count bytes; refuses (false, nothing stored) what does not fit.
    bool Write(const void* Data, int Count);
    // Drops the first Count bytes (at most Used) and moves the rest to the start.
    void Remove(int Count);
    bool Peek(void* Data, int Count) const;
    bool Read(void* Data, int Count);
    void Clear() { Used_ = 0; }

private:
    std::vector<unsigned char> Storage_;
    int Used_ = 0;
};
