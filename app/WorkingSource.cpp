#include "app/WorkingSource.h"

#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/server/ServerSource.h"

std::unique_ptr<TableSource> MakeWorkingSource(const QString& connection) {
    if (connection.isEmpty()) {
        return std::make_unique<DatabaseSource>();
    }
    return std::make_unique<ServerSource>(connection);
}

QString CheckServerConnection(const QString& connection) {
    try {
        ServerSource server(connection);
        server.Connect();
        server.Count();  // the table is there and may be read
        return {};
    } catch (const TableError& error) {
        return error.Message();
    }
}
