#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>

// Rows put straight into a journal file in one transaction, as a day of an event leaves them:
// far quicker than appending them one by one. insert is an INSERT with placeholders; bind gives
// row i its values.
inline void fillJournal(const QString &path, const QString &insert, int rows,
                        const std::function<void(QSqlQuery &, int)> &bind)
{
    const QString connection = QStringLiteral("fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(insert);
        for (int i = 0; i < rows; ++i) {
            bind(q, i);
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(connection);
}
