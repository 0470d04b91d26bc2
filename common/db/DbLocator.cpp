#include "common/db/DbLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace qz::db {

namespace {

bool isServerText(const QString& text)
{
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

} // namespace

DbLocator DbLocator::fromText(const QString& text, const QString& baseFolder)
{
    DbLocator loc;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        loc.m_error = QStringLiteral("no database named");
        return loc;
    }
    if (!isServerText(trimmed)) {
        loc.m_engine = DbEngine::Sqlite;
        const QString path =
            QDir::isAbsolutePath(trimmed)
                ? trimmed
                : QDir(baseFolder.isEmpty() ? QDir::currentPath() : baseFolder).filePath(trimmed);
        loc.m_path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        loc.m_valid = true;
        return loc;
    }

    loc.m_engine = DbEngine::Postgres;
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid()) {
        loc.m_error = QStringLiteral("malformed database URL: %1").arg(url.errorString());
        return loc;
    }
    loc.m_host = url.host();
    loc.m_port = url.port(0);
    if (loc.m_port < 0 || loc.m_port > 65535) {
        loc.m_error = QStringLiteral("database URL has a bad port");
        return loc;
    }
    loc.m_user = url.userName(QUrl::FullyDecoded);
    loc.m_password = url.password(QUrl::FullyDecoded);
    QString db = url.path(QUrl::FullyDecoded);
    if (db.startsWith(QLatin1Char('/')))
        db.remove(0, 1);
    if (db.isEmpty() || db.contains(QLatin1Char('/'))) {
        loc.m_error = QStringLiteral("database URL names no database (postgresql://host/NAME)");
        return loc;
    }
    loc.m_database = db;
    const QUrlQuery query(url);
    for (const auto& item : query.queryItems(QUrl::FullyDecoded)) {
        // Qt hands the options to libpq separated by ';', so a value with ';' cannot pass.
        if (item.first.isEmpty() || item.second.contains(QLatin1Char(';')) ||
            item.first.contains(QLatin1Char(';')) || item.first.contains(QLatin1Char('='))) {
            loc.m_error = QStringLiteral("database URL has a bad option \"%1\"").arg(item.first);
            return loc;
        }
        if (item.first == QLatin1String("host"))
            loc.m_host = item.second;
        else if (item.first == QLatin1String("port"))
            loc.m_port = item.second.toInt();
        else
            loc.m_options.append(item);
    }
    loc.m_valid = true;
    return loc;
}

DbLocator DbLocator::withDatabaseName(const QString& name) const
{
    DbLocator other = *this;
    other.m_database = name;
    return other;
}

QString DbLocator::urlText(bool withPassword) const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    // A unix socket folder cannot stand in the host part of a URL; it goes into the query.
    const bool socketHost = m_host.startsWith(QLatin1Char('/'));
    // An empty host keeps the "//" of the URL, which marks the part after it as the path.
    url.setHost(socketHost ? QLatin1String("") : m_host);
    if (!m_user.isEmpty())
        url.setUserName(m_user, QUrl::DecodedMode);
    if (withPassword && !m_password.isEmpty())
        url.setPassword(m_password, QUrl::DecodedMode);
    if (m_port > 0 && !socketHost)
        url.setPort(m_port);
    url.setPath(QLatin1Char('/') + m_database, QUrl::DecodedMode);
    QUrlQuery query;
    if (socketHost) {
        query.addQueryItem(QStringLiteral("host"), m_host);
        if (m_port > 0)
            query.addQueryItem(QStringLiteral("port"), QString::number(m_port));
    }
    for (const auto& item : m_options)
        query.addQueryItem(item.first, item.second);
    if (!query.isEmpty())
        url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

QString DbLocator::toString() const
{
    if (!m_valid)
        return QString();
    return m_engine == DbEngine::Sqlite ? m_path : urlText(true);
}

QString DbLocator::displayText() const
{
    if (!m_valid)
        return QString();
    return m_engine == DbEngine::Sqlite ? QDir::toNativeSeparators(m_path) : urlText(false);
}

QString DbLocator::baseName() const
{
    if (m_engine == DbEngine::Postgres)
        return m_database;
    return QFileInfo(m_path).completeBaseName();
}

} // namespace qz::db
