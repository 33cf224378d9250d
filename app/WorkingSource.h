#pragma once

#include <QString>

#include <memory>

class TableSource;

// The table's source for a working database named as DatabaseChoice names it: the table Sys on the PostgreSQL
// server `connection` names, or "sys.mdb" in the working folder for an empty connection.
std::unique_ptr<TableSource> MakeWorkingSource(const QString& connection);

// Tries to reach the server's table Sys: an empty text when it can be used, else the reason (the server's name and
// libpq's or the table's text). Gives up within the connection's time-out.
QString CheckServerConnection(const QString& connection);
