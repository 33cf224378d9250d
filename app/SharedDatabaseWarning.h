#pragma once

#include <QString>

#include <functional>

class QWidget;

// Warns, once in a run of the program, that the working database lies on a network file system. SQLite's locking is
// not reliable there, so two workstations sharing the file may spoil the table; a database server is the way to share
// one table.
class SharedDatabaseWarning {
public:
    // "The working database '%1' lies in a network folder (%2). …", %1 the file, %2 the kind of file system.
    static constexpr char16_t kText[] =
        u"Рабочая база «%1» лежит в сетевой папке (%2). Этот файл нельзя открывать с нескольких рабочих мест "
        u"одновременно: таблица может быть испорчена. Одну таблицу для нескольких рабочих мест даёт сервер баз "
        u"данных PostgreSQL.";

    // Tells the kind of network file system a file lies on, or an empty text for a local one.
    using Probe = std::function<QString(const QString& path)>;
    // For tests: stands in for the file system, and lets the warning be shown again. An empty function puts the
    // platform's probe back.
    static void SetProbe(Probe probe);

    static void ShowIfNeeded(QWidget* owner, const QString& databasePath);
};
