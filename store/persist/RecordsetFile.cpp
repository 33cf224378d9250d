#include "store/persist/RecordsetFile.h"

#include "store/persist/AdtgReader.h"
#include "store/persist/AdtgWriter.h"
#include "store/persist/FileReplace.h"
#include "store/persist/PersistError.h"
#include "store/persist/RowsetXmlReader.h"
#include "store/persist/RowsetXmlWriter.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace persist {

PersistFormat FormatForFileName(std::string_view fileName) {
    if (fileName.size() < 4) {
        return PersistFormat::Adtg;
    }
    std::string tail(fileName.substr(fileName.size() - 4));
    for (char& c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == ".xml" ? PersistFormat::Xml : PersistFormat::Adtg;
}

Recordset ReadRecordset(std::string_view bytes, const text::AnsiCodePage& codePage) {
    if (AdtgReader::LooksLikeAdtg(bytes)) {
        return AdtgReader(codePage).Read(bytes);
    }
    return RowsetXmlReader().Read(bytes);
}

std::string WriteRecordset(const Recordset& recordset, PersistFormat format, const text::AnsiCodePage& codePage) {
    return format == PersistFormat::Xml ? RowsetXmlWriter().Write(recordset) : AdtgWriter(codePage).Write(recordset);
}

std::string ReadFileBytes(const std::string& path, std::size_t maxBytes) {
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    const std::unique_ptr<std::FILE, Closer> file(OpenFileForReading(path));
    if (!file) {
        throw PersistError("cannot open '" + path + "': " + std::strerror(errno));
    }
    std::string bytes;
    // Room for the whole file at once where its size can be learnt: a growing string would copy it over and
    // over. The size is only a hint; the reading below stops at the real end and at the limit.
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size > 0 && static_cast<unsigned long>(size) <= maxBytes) {
            bytes.reserve(static_cast<std::size_t>(size));
        }
        std::rewind(file.get());
    }
    char buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (bytes.size() + got > maxBytes) {
            throw PersistError("'" + path + "' is too large to be a saved table");
        }
        bytes.append(buffer, got);
        if (got < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        throw PersistError("cannot read '" + path + "'");
    }
    return bytes;
}

}  // namespace persist
