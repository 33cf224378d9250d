#pragma once

// The port's three settings objects. Each notifies its owner (OnChange) when a value changes; the port
// decides what a change means (Buffers: refused while open; FlowControl and EventChars: sent at once).

#include "serial/SlClasses.h"
#include "serial/SlTypes.h"

// Queue sizes, time-outs (milliseconds) and flow-control limits.
class TSlBuffers : public TSlPersistent {
public:
    TSlIntW ReadSize() const { return ReadSize_; }
    TSlIntW WriteSize() const { return WriteSize_; }
    TSlIntW ReadTimeout() const { return ReadTimeout_; }
    TSlIntW WriteTimeout() const { return WriteTimeout_; }
    TSlIntW XonLimit() const { return XonLimit_; }
    TSlIntW XoffLimit() const { return XoffLimit_; }

    // Negative values are refused with std::invalid_argument.
    void SetReadSize(TSlIntW Value);
    void SetWriteSize(TSlIntW Value);
    void SetReadTimeout(TSlIntW Value);  // plain stores: no notification
    void SetWriteTimeout(TSlIntW Value);
    void SetXonLimit(TSlIntW Value);
    void SetXoffLimit(TSlIntW Value);

    void Assign(const TSlPersistent& Source) override;
    const char* ClassName() const override { return "TSlBuffers"; }

private:
    void Store(TSlIntW& Field, TSlIntW Value);

    TSlIntW ReadSize_ = 4096;
    TSlIntW WriteSize_ = 2048;
    TSlIntW ReadTimeout_ = 1000;
    TSlIntW WriteTimeout_ = 1000;
    TSlIntW XonLimit_ = 1024;
    TSlIntW XoffLimit_ = 1024;
};

// Handshake lines and software flow control.
class TSlFlowControl : public TSlPersistent {
public:
    bool OutCtsFlow() const { return OutCtsFlow_; }
    bool OutDsrFlow() const { return OutDsrFlow_; }
    TSlControlDtr ControlDtr() const { return ControlDtr_; }
    TSlControlRts ControlRts() const { return ControlRts_; }
    bool XonXoffOut() const { return XonXoffOut_; }
    bool XonXoffIn() const { return XonXoffIn_; }
    bool DsrSensitivity() const { return DsrSensitivity_; }
    bool TxContinueOnXoff() const { return TxContinueOnXoff_; }

    void SetOutCtsFlow(bool Value) { Store(OutCtsFlow_, Value); }
    void SetOutDsrFlow(bool Value) { Store(OutDsrFlow_, Value); }
    void SetControlDtr(TSlControlDtr Value) { Store(ControlDtr_, Value); }
    void SetControlRts(TSlControlRts Value) { Store(ControlRts_, Value); }
    void SetXonXoffOut(bool Value) { Store(XonXoffOut_, Value); }
    void SetXonXoffIn(bool Value) { Store(XonXoffIn_, Value); }
    void SetDsrSensitivity(bool Value) { Store(DsrSensitivity_, Value); }
    void SetTxContinueOnXoff(bool Value) { Store(TxContinueOnXoff_, Value); }

    void Assign(const TSlPersistent& Source) override;
    const char* ClassName() const override { return "TSlFlowControl"; }

private:
    template <typename T>
    void Store(T& Field, T Value) {
        if (Field != Value) {
            Field = Value;
            Changed();
        }
    }

    bool OutCtsFlow_ = false;
    bool OutDsrFlow_ = false;
    TSlControlDtr ControlDtr_ = TSlControlDtr::dtrDisabled;
    TSlControlRts ControlRts_ = TSlControlRts::rtsDisabled;
    bool XonXoffOut_ = false;
    bool XonXoffIn_ = false;
    bool DsrSensitivity_ = false;
    bool TxContinueOnXoff_ = false;
};

// The special characters. Every store notifies, even of an unchanged value.
class TSlEventChars : public TSlPersistent {
public:
    char XonChar() const { return Chars_[0]; }
    char XoffChar() const { return Chars_[1]; }
    char ErrorChar() const { return Chars_[2]; }
    char EventChar() const { return Chars_[3]; }
    char EofChar() const { return Chars_[4]; }

    // Index 1 XonChar, 2 XoffChar, 3 ErrorChar, 4 EventChar, 5 EofChar; other indexes are refused with
    // std::out_of_range.
    void SetEventChar(int Index, char Value);
    void SetXonChar(char Value) { SetEventChar(1, Value); }
    void SetXoffChar(char Value) { SetEventChar(2, Value); }
    void SetErrorChar(char Value) { SetEventChar(3, Value); }
    void SetEventChar(char Value) { SetEventChar(4, Value); }
    void SetEofChar(char Value) { SetEventChar(5, Value); }

    void Assign(const TSlPersistent& Source) override;
    const char* ClassName() const override { return "TSlEventChars"; }

private:
    char Chars_[5] = {17, 19, 0, 0, 0};
};
