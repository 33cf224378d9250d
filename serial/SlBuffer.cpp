#include "serial/SlBuffer.h"

#include <cstring>
#include <stdexcept>

TSlBuffer::TSlBuffer(TSlComponent* Owner) : TSlCommComponent(Owner) {
    SetSize(2048);
}

TSlBuffer::~TSlBuffer() {
    NotifyRemoval();
    OnChange = nullptr;
    SetSize(0);
}

void TSlBuffer::SetSize(int NewSize) {
    if (NewSize < 0) {
        throw std::invalid_argument("TSlBuffer Size must not be negative");
    }
    if (NewSize == Size_) {
        return;
    }
    std::vector<std::uint8_t> storage(static_cast<std::size_t>(NewSize));  // may throw: then nothing changed
    Clear();
    Buffer_.swap(storage);
    Size_ = NewSize;
}

void TSlBuffer::Clear() {
    ReadPtr_ = 0;
    WritePtr_ = 0;
    Full_ = false;
    Changed();
}

int TSlBuffer::BufUsed() const {
    if (Full_) {
        return Size_;
    }
    return WritePtr_ >= ReadPtr_ ? WritePtr_ - ReadPtr_ : WritePtr_ + Size_ - ReadPtr_;
}

int TSlBuffer::BufFree() const {
    return Size_ - BufUsed();
}

void TSlBuffer::IncPtr(std::int32_t& Ptr, int Count) const {
    Ptr = Ptr + Count < Size_ ? Ptr + Count : Ptr + Count - Size_;
}

bool TSlBuffer::Peek(void* Dest, int Count) const {
    if (Count < 1 || BufUsed() < Count) {
        return false;
    }
    auto* dest = static_cast<std::uint8_t*>(Dest);
    const int tail = Size_ - ReadPtr_;
    if (Count <= tail) {
        std::memcpy(dest, Buffer_.data() + ReadPtr_, std::size_t(Count));
    } else {
        std::memcpy(dest, Buffer_.data() + ReadPtr_, std::size_t(tail));
        std::memcpy(dest + tail, Buffer_.data(), std::size_t(Count - tail));
    }
    return true;
}

bool TSlBuffer::Remove(int Count) {
    if (Count < 0 || BufUsed() < Count) {
        return false;
    }
    if (Count > 0) {
        IncPtr(ReadPtr_, Count);
        Full_ = false;
    }
    return true;
}

bool TSlBuffer::Read(void* Dest, int Count) {
    if (!Peek(Dest, Count)) {
        return false;
    }
    Remove(Count);
    Changed();
    return true;
}

bool TSlBuffer::Write(const void* Source, int Count) {
    if (Count < 1 || BufFree() < Count) {
        if (OnOverflow) {
            OnOverflow(this);
        }
        return false;
    }
    const auto* source = static_cast<const std::uint8_t*>(Source);
    const int tail = Size_ - WritePtr_;
    if (Count <= tail) {
        std::memcpy(Buffer_.data() + WritePtr_, source, std::size_t(Count));
    } else {
        std::memcpy(Buffer_.data() + WritePtr_, source, std::size_t(tail));
        std::memcpy(Buffer_.data(), source + tail, std::size_t(Count - tail));
    }
    IncPtr(WritePtr_, Count);
    Full_ = ReadPtr_ == WritePtr_;
    Changed();
    return true;
}

void TSlBuffer::DataChanged(const void* Data, int Count) {
    if (Count > 0) {
        Write(Data, Count);
    }
}

void TSlBuffer::Changed() {
    if (OnChange) {
        OnChange(this);
    }
}
