#include "serial/SlCommBuffer.h"

#include <algorithm>
#include <cstring>

TSlCommBuffer::TSlCommBuffer(int Size) : Storage_(std::size_t(std::max(Size, 0))) {}

bool TSlCommBuffer::Write(const void* Data, int Count) {
    if (Count < 0 || Count > Capacity() - Used_) {
        return false;
    }
    if (Count > 0) {
        std::memcpy(Storage_.data() + Used_, Data, std::size_t(Count));
        Used_ += Count;
    }
    return true;
}

void TSlCommBuffer::Remove(int Count) {
    Count = std::clamp(Count, 0, Used_);
    std::memmove(Storage_.data(), Storage_.data() + Count, std::size_t(Used_ - Count));
    Used_ -= Count;
}

bool TSlCommBuffer::Peek(void* Data, int Count) const {
    if (Count < 0 || Count > Used_) {
        return false;
    }
    if (Count > 0) {
        std::memcpy(Data, Storage_.data(), std::size_t(Count));
    }
    return true;
}

bool TSlCommBuffer::Read(void* Data, int Count) {
    if (!Peek(Data, Count)) {
        return false;
    }
    Remove(Count);
    return true;
}
