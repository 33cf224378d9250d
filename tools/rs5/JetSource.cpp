#include "tools/rs5/JetSource.h"

#include "store/jet/JetImport.h"

#include <QFile>

namespace rs5 {

bool IsJetSource(const std::string& path) {
    return JetImport::IsJetDatabase(QFile::decodeName(path.c_str()));
}

std::vector<MeasurementRow> ReadJetSource(const std::string& path) {
    return JetImport::ReadJetRows(QFile::decodeName(path.c_str()));
}

}  // namespace rs5
