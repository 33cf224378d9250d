#pragma once

// The receive ring: collects the bytes a port delivers, in a ring of fixed capacity, from which main-thread
// code takes them in one piece. A block that does not fit whole is refused whole (OnOverflow); unread bytes
// are never overwritten.
//
// Main thread only, no lock: the port delivers on the main thread (while it runs the main-thread caller's
// tasks), so code that calls BufUsed, Read and Clear without running those tasks in between sees content
// that does not change under it. Bytes stay in the ring across Close and Open of the port.

#include "serial/SlComm.h"
#include "serial/SlCommComponent.h"

#include <cstdint>
#include <vector>

class TSlBuffer : public TSlCommComponent {
public:
    explicit TSlBuffer(TSlComponent* Owner);
    ~TSlBuffer() override;

    // Capacity in bytes (default 2048). A new value empties the ring (one OnChange); the same value keeps it.
    // A negative value is refused with std::invalid_argument.
    int Size() const { return Size_; }
    void SetSize(int NewSize);

    void Clear();
    int BufUsed() const;
    int BufFree() const;
    // The Count oldest bytes; false (nothing copied, nothing changed) unless 1 <= Count <= BufUsed.
    bool Peek(void* Dest, int Count) const;
    bool Remove(int Count);  // true for 0; false for a negative Count or more than BufUsed
    bool Read(void* Dest, int Count);
    // Appends all Count bytes or none (then OnOverflow); Count must be at least 1.
    bool Write(const void* Source, int Count);

    void DataChanged(const void* Data, int Count) override;

    TSlNotifyEvent OnChange;
    TSlNotifyEvent OnOverflow;

protected:
    virtual void Changed();

private:
    void IncPtr(std::int32_t& Ptr, int Count) const;

    std::vector<std::uint8_t> Buffer_;
    std::int32_t Size_ = 0;
    std::int32_t ReadPtr_ = 0;
    std::int32_t WritePtr_ = 0;
    bool Full_ = false;
};
