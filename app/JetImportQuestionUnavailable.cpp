#include "app/JetImportQuestion.h"

// Built without libmdb: a Jet working database is not recognised and fails to open like any foreign file.
bool OfferJetImport(QWidget*, const QString&) {
    return true;
}
