#pragma once

#include <QString>

class QWidget;

// At start-up, before the table is opened: when the working database `databaseName` is an old working database in
// Microsoft's Jet format (told by its header, not its name), asks whether to carry its rows over instead of failing
// to open it. On OK the Jet file is renamed beside it ("sys.jet.mdb"; "sys.jet-2.mdb" and on when taken), never to
// be changed, its rows are imported into a new working database of the old name, and a notice says how many rows
// came over. A failed import is shown in the application's error box and the Jet file gets its name back.
//
// Returns false when the working database is a Jet file that was not imported (cancelled or failed): the table
// then stays closed, without the database errors. True otherwise, and the table opens as usual. Never raises.
bool OfferJetImport(QWidget* parent, const QString& databaseName);
