#include "common/db/DbSchema.h"

#include "common/db/DbTransaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace qz::db {

namespace {

// The schema source, made into a string literal at configure time.
constexpr char SchemaSource[] =
#include "SchemaText.inc"
    ;

// The words of the schema source that differ between engines.
QString engineWord(DbEngine engine, const QString& token)
{
    const bool pg = engine == DbEngine::Postgres;
    if (token == QLatin1String("GENERATED_KEY")) {
        // AUTOINCREMENT makes SQLite never hand out a number twice, as PostgreSQL's identity
        // does: archives keep HistID, and OldPersID names persons by their old PersID.
        return pg ? QStringLiteral("INT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                  : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    if (token == QLatin1String("TYPE_TEXT"))
        return pg ? QStringLiteral("TEXT COLLATE \"C\"") : QStringLiteral("TEXT");
    return QString();
}

} // namespace

QStringList schemaStatements(DbEngine engine, DbKind kind)
{
    enum class Section { None, Main, Archive, All };
    Section section = Section::None;
    QStringList statements;
    QString current;
    static const QRegularExpression tokenPattern(QStringLiteral("\\{([A-Z_]+)\\}"));

    const QStringList lines = QString::fromUtf8(SchemaSource).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1String("-- @"))) {
            const QString name = line.mid(4).trimmed();
            section = name == QLatin1String("main")      ? Section::Main
                      : name == QLatin1String("archive") ? Section::Archive
                      : name == QLatin1String("all")     ? Section::All
                                                         : Section::None;
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        const bool wanted = section == Section::All ||
                            (section == Section::Main && kind == DbKind::Main) ||
                            (section == Section::Archive && kind == DbKind::Archive);
        if (!wanted)
            continue;
        if (!current.isEmpty())
            current += QLatin1Char('\n');
        current += raw;
        if (line.endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            QString text;
            qsizetype last = 0;
            auto it = tokenPattern.globalMatch(current);
            while (it.hasNext()) {
                const auto match = it.next();
                text += QStringView(current).mid(last, match.capturedStart() - last);
                text += engineWord(engine, match.captured(1));
                last = match.capturedEnd();
            }
            text += QStringView(current).mid(last);
            statements << text;
            current.clear();
        }
    }
    return statements;
}

bool applySchema(const DbConnection& conn, DbKind kind, QString* error)
{
    DbTransaction transaction(conn);
    if (!transaction.begin(error))
        return false;
    QSqlDatabase db = conn.database();
    for (const QString& statement : schemaStatements(conn.engine(), kind)) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            if (error)
                *error = QStringLiteral("%1\n(in: %2)").arg(query.lastError().text(), statement);
            return false;
        }
    }
    return transaction.commit(error);
}

} // namespace qz::db
