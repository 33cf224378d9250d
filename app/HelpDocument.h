#pragma once

#include <QString>

#include <stdexcept>

// A help file that cannot be shown; what() is the message for the user in UTF-8.
class HelpFileError : public std::runtime_error {
public:
    explicit HelpFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The program's help file "DADOZURA-RS5.HLP": an HTML document in UTF-8 (see README).
class HelpDocument {
public:
    static inline const char16_t* const kMissing = u"Файл справки не найден: %1";
    static inline const char16_t* const kDamaged = u"Файл справки поврежден: %1";
    static constexpr qint64 kMaxSize = 4 * 1024 * 1024;  // bytes; a help file is far smaller

    // The document's HTML. Raises HelpFileError when the file is missing or unreadable, larger than kMaxSize,
    // not UTF-8 or not an HTML document.
    static QString Load(const QString& path);
};
