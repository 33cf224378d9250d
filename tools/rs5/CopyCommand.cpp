#include "tools/rs5/CopyCommand.h"

#include "store/MeasurementTable.h"
#include "store/persist/FileReplace.h"
#include "store/persist/RecordsetFile.h"
#include "store/server/ServerSource.h"
#include "tools/rs5/CodePageOption.h"
#include "tools/rs5/JetSource.h"
#include "tools/rs5/ShownRows.h"
#include "tools/rs5/SourceName.h"
#include "tools/rs5/TableConversion.h"

#include <optional>

namespace rs5 {

namespace {

constexpr char kAppendHint[] = "; give --append to add these after them.";

// A Jet database is told by its header before its name: an old sys.mdb ends in .mdb as the working database does.
std::vector<MeasurementRow> ReadSourceRows(const std::string& source, text::AnsiCodePage codePage) {
    if (IsJetSource(source)) {
        return ReadJetSource(source);
    }
    return ShownRows(IsWorkingDatabaseName(source) ? ReadWorkingDatabase(source)
                                                   : persist::ReadRecordset(persist::ReadFileBytes(source), codePage));
}

}  // namespace

int RunCopy(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const text::AnsiCodePage codePage = TakeCodePageOption(arguments);
    const std::optional<std::string> conninfo = TakeDatabaseOption(arguments);
    std::vector<std::string> sources;
    bool append = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--append") {
            append = true;
        } else if (arguments[i].rfind("--", 0) == 0) {
            throw UsageError("unknown option " + arguments[i]);
        } else {
            sources.push_back(arguments[i]);
        }
    }
    if (sources.size() != 1 || !conninfo) {
        throw UsageError("copy takes one source and --database");
    }
    std::vector<MeasurementRow> rows = ReadSourceRows(sources[0], codePage);

    ServerSource server(QString::fromStdString(*conninfo));
    server.ReadKeys();  // connects and checks the fields
    // One transaction, in the source's order: the server gets every row or, on failure, none.
    try {
        server.InsertAll(rows, !append);
    } catch (const TableHoldsRows& refusal) {
        throw TableError(refusal.Message() + QString::fromLatin1(kAppendHint));
    }
    invocation.out << rows.size() << (rows.size() == 1 ? " row" : " rows") << " copied to the database server "
                   << server.ServerName().toStdString() << '\n';
    return 0;
}

}  // namespace rs5
