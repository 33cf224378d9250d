#include "serial/SlCommComponent.h"

#include "serial/SlComm.h"

TSlDispatcher::~TSlDispatcher() {
    if (Comm) {
        Comm->RemoveClient(this);
    }
}

void TSlDispatcher::DataEvent(const void* Data, int Count) {
    if (Active) {
        User_.DataChanged(Data, Count);
    }
}

void TSlDispatcher::LineEvent(std::uint32_t Events) {
    if (Active) {
        User_.LineChanged(Events);
    }
}

void TSlDispatcher::SetDTRState(bool State) {
    if (Comm) {
        Comm->SetDTR(State);
    }
}

void TSlDispatcher::PurgeRead() {
    if (Comm) {
        Comm->PurgeRead();
    }
}

void TSlDispatcher::PurgeWrite() {
    if (Comm) {
        Comm->PurgeWrite();
    }
}

void TSlDispatcher::PurgeReadWrite() {
    if (Comm) {
        Comm->PurgeReadWrite();
    }
}

int TSlDispatcher::WriteBuf(const void* Data, int Count) {
    return Comm ? Comm->WriteBuf(Data, Count) : 0;
}
bool TSlDispatcher::WriteText(std::string_view Text) {
    return Comm && Comm->WriteText(Text);
}
bool TSlDispatcher::WriteChar(char Ch) {
    return Comm && Comm->WriteChar(Ch);
}

TSlCommComponent::TSlCommComponent(TSlComponent* Owner) : TSlComponent(Owner), Dispatcher_(*this) {}

TSlCommComponent::~TSlCommComponent() {
    NotifyRemoval();
    SetComm(nullptr);
}

void TSlCommComponent::SetComm(TSlCustomComm* Value) {
    if (Comm_) {
        Comm_->RemoveClient(&Dispatcher_);
        RemoveFreeNotification(Comm_);
    }
    Comm_ = Value;
    if (Comm_) {
        Comm_->InsertClient(&Dispatcher_);
        FreeNotification(Comm_);
    }
}

void TSlCommComponent::Notification(TSlComponent* Component, TSlOperation Operation) {
    TSlComponent::Notification(Component, Operation);
    if (Operation == TSlOperation::opRemove && Component != nullptr && Component == Comm_) {
        SetComm(nullptr);
    }
}
