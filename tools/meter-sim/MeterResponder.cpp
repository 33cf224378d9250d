#include "tools/meter-sim/MeterResponder.h"

#include "archive/MeterProtocol.h"

#include <stdexcept>

namespace {

// Completes the 40 bytes before a reply's data, after the echoed request.
constexpr std::string_view kAcknowledgement = "_OK";
static_assert(kRequestSize + kAcknowledgement.size() == kReplyDataOffset);

// Where a cut reply stops and a split reply pauses: half-way through the record data.
constexpr std::size_t kHalfReplyLength = kReplyDataOffset + kArchiveRecordSize;

// Each part cut into chunks of FailureModes::ChunkSize bytes, `gap` apart; the first keeps the part's pause.
std::vector<ReplyPart> InChunks(std::vector<ReplyPart> parts, std::chrono::milliseconds gap) {
    std::vector<ReplyPart> chunks;
    for (ReplyPart& part : parts) {
        for (std::size_t start = 0; start < part.bytes.size(); start += FailureModes::kChunkSize) {
            chunks.push_back({start == 0 ? part.pause : gap, part.bytes.substr(start, FailureModes::kChunkSize)});
        }
    }
    return chunks;
}

}  // namespace

MeterResponder::MeterResponder(const std::vector<ArchiveRecord>& archive, FailureModes modes, std::string lineEnd)
    : modes_(std::move(modes)), lineEnd_(std::move(lineEnd)) {
    if (archive.size() > static_cast<std::size_t>(kMaxArchiveCount)) {
        throw std::length_error("the meter keeps at most 65535 records");
    }
    records_.reserve(archive.size());
    for (const ArchiveRecord& record : archive) {
        try {
            records_.push_back(ArchiveRecordToBytes(record));
        } catch (const RecordEncodingError& error) {
            throw RecordEncodingError("record " + std::to_string(records_.size() + 1) + ": " + error.what());
        }
    }
}

std::vector<MeterAnswer> MeterResponder::Receive(std::string_view bytes) {
    std::vector<MeterAnswer> answers;
    pending_.append(bytes);
    while (true) {
        const auto start = pending_.find(kHeaderRequest.front());
        if (start == std::string::npos) {
            pending_.clear();
            break;
        }
        pending_.erase(0, start);
        const std::size_t known = std::min(pending_.size(), kRequestAddressOffset);
        if (pending_.compare(0, known, kHeaderRequest.substr(0, known)) != 0) {
            pending_.erase(0, 1);
            continue;
        }
        if (pending_.size() < kRequestSize) {
            break;
        }
        const std::string_view request = std::string_view(pending_).substr(0, kRequestSize);
        if (const auto address = RequestedAddress(request)) {
            answers.push_back(Answer(*address, request));
            pending_.erase(0, kRequestSize);
        } else {
            pending_.erase(0, 1);
        }
    }
    return answers;
}

MeterAnswer MeterResponder::Answer(std::uint32_t address, std::string_view request) {
    MeterAnswer answer;
    const long long record = static_cast<long long>(address) - kHeaderAddress;
    answer.log = "request " + std::to_string(address) + " (" +
                 (record == 0 ? std::string("header") : "record " + std::to_string(record)) + ")";
    if (record < 0 || record > RecordCount()) {
        answer.log += ": no such address, not answered";
        return answer;
    }
    if (modes_.silent || (modes_.silentAfter && replies_ >= *modes_.silentAfter)) {
        answer.log += ": silent";
        return answer;
    }
    if (modes_.vanishAfter && replies_ >= *modes_.vanishAfter) {
        answer.log += ": not answered, the line goes away";
        answer.vanishAfterward = true;
        return answer;
    }
    const int k = static_cast<int>(record);
    std::string reply = std::string(request) + std::string(kAcknowledgement) + Data(address, k) + lineEnd_;
    if (k > 0 && modes_.shortReplies.contains(k)) {
        reply.resize(kHalfReplyLength);
        answer.log += ": reply cut at " + std::to_string(kHalfReplyLength) + " bytes";
    }
    if (k > 0 && modes_.garbledRecords.contains(k)) {
        answer.log += ": impossible date";
    }
    if (k > 0 && modes_.splitReplies.contains(k)) {
        answer.parts.push_back({modes_.replyDelay, reply.substr(0, kHalfReplyLength)});
        answer.parts.push_back({FailureModes::kSplitPause, reply.substr(kHalfReplyLength)});
        answer.log += ": reply in two parts";
    } else {
        answer.parts.push_back({modes_.replyDelay, std::move(reply)});
    }
    if (modes_.chunkGap.count() > 0) {
        answer.parts = InChunks(std::move(answer.parts), modes_.chunkGap);
    }
    if (record == 0) {
        answer.log += ": " + std::to_string(RecordCount()) + " records";
    }
    ++replies_;
    if (modes_.vanishAfter && replies_ >= *modes_.vanishAfter) {
        answer.log += "; then the line goes away";
        answer.vanishAfterward = true;
    }
    return answer;
}

std::string MeterResponder::Data(std::uint32_t address, int record) const {
    if (address == kHeaderAddress) {
        return HeaderReplyData(RecordCount());
    }
    if (modes_.garbledRecords.contains(record)) {
        ArchiveRecord garbled = ArchiveRecordFromBytes(records_[static_cast<std::size_t>(record - 1)]);
        garbled.when.day = 0;
        garbled.when.month = 13;
        return RecordReplyData(ArchiveRecordToBytes(garbled));
    }
    return RecordReplyData(records_[static_cast<std::size_t>(record - 1)]);
}
