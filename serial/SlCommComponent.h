#pragma once

// Port clients: components that attach to one port and are told, on the main thread, of every received
// block (DataChanged) and every other event (LineChanged).

#include "serial/SlClasses.h"

#include <cstdint>
#include <string_view>

class TSlCustomComm;

class ISlCommUser {
public:
    virtual void LineChanged(std::uint32_t Events) = 0;
    // Data is valid only during the call; a client that wants the bytes copies them.
    virtual void DataChanged(const void* Data, int Count) = 0;

protected:
    ~ISlCommUser() = default;
};

// One per client, kept in the port's client list.
class TSlDispatcher {
public:
    explicit TSlDispatcher(ISlCommUser& User) : User_(User) {}
    ~TSlDispatcher();  // leaves the port's list
    TSlDispatcher(const TSlDispatcher&) = delete;
    TSlDispatcher& operator=(const TSlDispatcher&) = delete;

    void DataEvent(const void* Data, int Count);
    void LineEvent(std::uint32_t Events);

    // Forwarded to the port; without a port they do nothing and give 0 or false.
    void SetDTRState(bool State);
    void PurgeRead();
    void PurgeWrite();
    void PurgeReadWrite();
    int WriteBuf(const void* Data, int Count);
    bool WriteText(std::string_view Text);
    bool WriteChar(char Ch);

    bool Active = true;
    TSlCustomComm* Comm = nullptr;  // set by the port's InsertClient and RemoveClient

private:
    ISlCommUser& User_;
};

// Base of every port client. A client attaches by SetComm and stays attached until it is given another port
// or none, the port goes, or the client goes.
class TSlCommComponent : public TSlComponent, public ISlCommUser {
public:
    explicit TSlCommComponent(TSlComponent* Owner);
    ~TSlCommComponent() override;

    TSlCustomComm* Comm() const { return Comm_; }
    void SetComm(TSlCustomComm* Value);
    bool Active() const { return Dispatcher_.Active; }
    void SetActive(bool Value) { Dispatcher_.Active = Value; }
    TSlDispatcher& Dispatcher() { return Dispatcher_; }

    void LineChanged(std::uint32_t) override {}
    void DataChanged(const void*, int) override {}

protected:
    void Notification(TSlComponent* Component, TSlOperation Operation) override;

private:
    TSlCustomComm* Comm_ = nullptr;
    TSlDispatcher Dispatcher_;
};
