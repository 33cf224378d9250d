#include "serial/SlPrst.h"

#include <stdexcept>

namespace {

void RequireNotNegative(TSlIntW Value) {
    if (Value < 0) {
        throw std::invalid_argument("A buffer setting must not be negative");
    }
}

}  // namespace

void TSlBuffers::Store(TSlIntW& Field, TSlIntW Value) {
    RequireNotNegative(Value);
    if (Field != Value) {
        Field = Value;
        Changed();
    }
}

void TSlBuffers::SetReadSize(TSlIntW Value) {
    Store(ReadSize_, Value);
}
void TSlBuffers::SetWriteSize(TSlIntW Value) {
    Store(WriteSize_, Value);
}
void TSlBuffers::SetXonLimit(TSlIntW Value) {
    Store(XonLimit_, Value);
}
void TSlBuffers::SetXoffLimit(TSlIntW Value) {
    Store(XoffLimit_, Value);
}

void TSlBuffers::SetReadTimeout(TSlIntW Value) {
    RequireNotNegative(Value);
    ReadTimeout_ = Value;
}

void TSlBuffers::SetWriteTimeout(TSlIntW Value) {
    RequireNotNegative(Value);
    WriteTimeout_ = Value;
}

void TSlBuffers::Assign(const TSlPersistent& Source) {
    const auto* source = dynamic_cast<const TSlBuffers*>(&Source);
    if (!source) {
        RefuseAssign(Source);
    }
    BeginUpdate();
    try {
        SetReadSize(source->ReadSize_);
        SetWriteSize(source->WriteSize_);
        SetReadTimeout(source->ReadTimeout_);
        SetWriteTimeout(source->WriteTimeout_);
        SetXonLimit(source->XonLimit_);
        SetXoffLimit(source->XoffLimit_);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TSlFlowControl::Assign(const TSlPersistent& Source) {
    const auto* source = dynamic_cast<const TSlFlowControl*>(&Source);
    if (!source) {
        RefuseAssign(Source);
    }
    BeginUpdate();
    SetOutCtsFlow(source->OutCtsFlow_);
    SetOutDsrFlow(source->OutDsrFlow_);
    SetControlDtr(source->ControlDtr_);
    SetControlRts(source->ControlRts_);
    SetXonXoffOut(source->XonXoffOut_);
    SetXonXoffIn(source->XonXoffIn_);
    SetDsrSensitivity(source->DsrSensitivity_);
    SetTxContinueOnXoff(source->TxContinueOnXoff_);
    EndUpdate();
}

void TSlEventChars::SetEventChar(int Index, char Value) {
    if (Index < 1 || Index > 5) {
        throw std::out_of_range("TSlEventChars has characters 1 to 5 only");
    }
    Chars_[Index - 1] = Value;
    Changed();
}

void TSlEventChars::Assign(const TSlPersistent& Source) {
    const auto* source = dynamic_cast<const TSlEventChars*>(&Source);
    if (!source) {
        RefuseAssign(Source);
    }
    BeginUpdate();
    for (int index = 1; index <= 5; ++index) {
        SetEventChar(index, source->Chars_[index - 1]);
    }
    EndUpdate();
}
