#pragma once

#include <QString>

// Rows like a long series of downloads, written in one transaction into the table Sys of the working database
// at `path`, which must exist: every field set, notes on every tenth row. The same rows for every benchmark that
// uses it, so that their figures stay comparable.
void FillDatabase(const QString& path, int rows);

// Rows as downloads leave them (no notes, five grains, both kinds of calibration), written in one transaction into
// the existing working database at `path`: the rows of the store and export benchmarks.
void FillDownloadedRows(const QString& path, int rows);
