#include "archive/DownloadSummary.h"

#include "archive/ArchiveRecord.h"

#include <cstdio>

std::string UndatedRecordsText(const std::vector<int>& records) {
    if (records.empty()) {
        return {};
    }
    std::vector<std::string> items;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < records.size() && items.size() < kMaxUndatedItems; listed = ++i) {
        std::size_t last = i;
        while (last + 1 < records.size() && records[last + 1] == records[last] + 1) {
            ++last;
        }
        if (last >= i + 2) {
            items.push_back(std::to_string(records[i]) + "–" + std::to_string(records[last]));
            i = last;
        } else {
            items.push_back(std::to_string(records[i]));
        }
    }
    std::string text = "Записи без даты: ";
    for (std::size_t n = 0; n < items.size(); ++n) {
        text += (n > 0 ? ", " : "") + items[n];
    }
    if (listed < records.size()) {
        text += " и ещё " + std::to_string(records.size() - listed);
    }
    return text + " — прибор записал неверную дату; они сохранены с пустой датой";
}

std::string NewRecordsText(int added, int known) {
    return "Новых записей: " + std::to_string(added) + ", уже были в таблице: " + std::to_string(known);
}

std::string UndatedRecordNote(int k, const ArchiveRecordBytes& bytes) {
    const RecordDateTime when = ArchiveRecordFromBytes(bytes).when;
    char hex[3 * 6 + 1] = {};
    std::snprintf(hex, sizeof hex, "%02X %02X %02X %02X %02X %02X", when.second, when.minute, when.hour, when.day,
                  when.month, when.year);
    return "record " + std::to_string(k) + ": the date bytes " + hex +
           " (second, minute, hour, day, month, year) make '" + when.Text() +
           "', which is no date; the record is kept with an empty date";
}
