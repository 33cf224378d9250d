#include "tests/QtTestRunner.h"

#include <QLocale>

// The store's texts are compared under a pinned locale; tests of other locales set theirs themselves.
static rs5test::SetTestEnvironment environment({{}, [] { QLocale::setDefault(QLocale::c()); }, {}});
