#include "tools/rs5/ImportJetCommand.h"

#include "store/WorkingDatabase.h"
#include "store/jet/JetImport.h"

#include <QFileInfo>

namespace rs5 {

int RunImportJet(const Invocation& invocation) {
    std::string database = WorkingDatabase::kDefaultFileName;
    std::vector<std::string> files;
    const std::vector<std::string>& arguments = invocation.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--db") {
            if (i + 1 == arguments.size()) {
                throw UsageError("--db needs a path");
            }
            database = arguments[++i];
        } else if (arguments[i].rfind("--", 0) == 0) {
            throw UsageError("unknown option " + arguments[i]);
        } else {
            files.push_back(arguments[i]);
        }
    }
    if (files.size() != 1) {
        throw UsageError("import-jet takes one Jet database");
    }
    const QString target = QString::fromLocal8Bit(database);
    const int rows = JetImport::ImportJetDatabase(QString::fromLocal8Bit(files[0]), target);
    invocation.out << rows << (rows == 1 ? " row" : " rows") << " imported into "
                   << QFileInfo(target).absoluteFilePath().toLocal8Bit().constData() << '\n';
    return 0;
}

}  // namespace rs5
