#pragma once

#include "archive/ArchiveRecord.h"
#include "tools/meter-sim/FailureModes.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// What the meter sends after a pause: the pause counts from the end of what went before (or from the
// request, for a reply's first part).
struct ReplyPart {
    std::chrono::milliseconds pause{0};
    std::string bytes;
};

// The meter's answer to one request.
struct MeterAnswer {
    std::string log;               // one line for the request log
    std::vector<ReplyPart> parts;  // empty when the meter does not answer
    bool vanishAfterward = false;  // the line goes away once the parts are sent
};

// The meter's side of the protocol, without I/O: takes the bytes received on the line, finds the requests
// in them and answers each as the meter would. A reply is the echoed request and "_OK" (the 40 bytes the
// program skips), the data's nibble characters, and the line end (any trailer bytes; none when empty).
class MeterResponder {
public:
    // Throws RecordEncodingError naming the record when a record cannot be sent, std::length_error when the
    // archive has more than 65 535 records.
    MeterResponder(const std::vector<ArchiveRecord>& archive, FailureModes modes, std::string lineEnd = "\r\n");

    // Bytes that are not part of a request are skipped; a request may arrive in pieces.
    std::vector<MeterAnswer> Receive(std::string_view bytes);

    int RecordCount() const { return static_cast<int>(records_.size()); }

private:
    MeterAnswer Answer(std::uint32_t address, std::string_view request);
    std::string Data(std::uint32_t address, int record) const;

    std::vector<ArchiveRecordBytes> records_;
    FailureModes modes_;
    std::string lineEnd_;
    std::string pending_;  // the start of a request still arriving
    int replies_ = 0;
};
