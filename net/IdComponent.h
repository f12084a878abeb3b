#pragma once
// Base of the connection, transport and HTTP components: status texts, work progress spans,
// and the lifetime of the process-wide socket stack (it exists while any component exists).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/IdBaseComponent.h"
#include "net/IdStack.h"

namespace yeroup::net {

enum TWorkMode { wmRead, wmWrite };

enum TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

class TIdComponent;

using TIdStatusEvent = std::function<void(TIdComponent* ASender, TIdStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode, std::int32_t AWorkCountMax)>;
using TWorkEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode, std::int32_t AWorkCount)>;
using TWorkEndEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode)>;
using TIdNotifyEvent = std::function<void(TIdComponent* Sender)>;

// The message template of a status.
const char* StatusTemplate(TIdStatus status);

class TIdComponent : public TIdBaseComponent {
public:
    TIdComponent();
    ~TIdComponent() override;

    TIdStatusEvent OnStatus;
    TWorkBeginEvent OnWorkBegin;
    TWorkEvent OnWork;
    TWorkEndEvent OnWorkEnd;

    void NotifyStatus(TIdStatus status);
    void NotifyStatus(TIdStatus status, const std::vector<std::string>& args);

    // Only the outermost span of a mode fires begin and end; counts are cumulative within it.
    virtual void NotifyWorkBegin(TWorkMode mode, std::int32_t countMax = 0);
    virtual void NotifyWork(TWorkMode mode, std::int32_t count);
    virtual void NotifyWorkEnd(TWorkMode mode);

    // How many components exist in the process right now.
    static std::int32_t LiveCount();

private:
    struct WorkSpan {
        std::int32_t current = 0;
        std::int32_t maximum = 0;
        std::int32_t level = 0;
    };
    WorkSpan spans_[2];
};

// The process-wide socket stack; null while no component exists.
TIdStack* GStack();

}  // namespace yeroup::net
