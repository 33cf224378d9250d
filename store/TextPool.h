#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Texts repeat a lot (grain and calibration names); equal texts share one string.
class TextPool {
public:
    QString Get(std::string_view utf8) {
        for (const Entry& entry : entries_) {
            if (entry.utf8 == utf8) {
                return entry.text;
            }
        }
        QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        if (entries_.size() < kCapacity) {
            entries_.push_back(Entry{std::string(utf8), text});
        }
        return text;
    }

private:
    static constexpr std::size_t kCapacity = 32;
    struct Entry {
        std::string utf8;
        QString text;
    };
    std::vector<Entry> entries_;
};
