#pragma once

#include <QString>

// Makes the table Sys afresh in the database `conninfo` names (any table Sys there is dropped first) and fills it
// with `rows` rows as a download leaves them, made by the server itself in one statement. Raises the connection's
// TableError.
void FillServerDatabase(const QString& conninfo, int rows);
