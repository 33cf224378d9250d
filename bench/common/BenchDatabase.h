#pragma once

#include <QString>

// Rows like a long series of downloads, written in one transaction into the table Sys of the working database
// at `path`, which must exist: every field set, notes on every tenth row. The same rows for every benchmark that
// uses it, so that their figures stay comparable.
void FillDatabase(const QString& path, int rows);
