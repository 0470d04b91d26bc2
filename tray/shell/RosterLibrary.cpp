#include "tray/shell/RosterLibrary.h"

#include <QDir>

namespace qz {

namespace {
using LanguageEntry = uint8_t (*)(int32_t);
using NoArgEntry = uint8_t (*)();
using ShowUserEntry = uint8_t (*)(int32_t, const char*, const char*, const char*);
} // namespace

RosterLibrary::RosterLibrary(const QString& programFolder)
    // QLibrary adds the platform's prefix and suffix to a name without them.
    : m_library(QDir(programFolder).filePath(QStringLiteral("Roster")))
{
}

RosterLibrary::~RosterLibrary()
{
    unload();
}

bool RosterLibrary::load()
{
    return m_library.isLoaded() || m_library.load();
}

void RosterLibrary::unload()
{
    if (m_library.isLoaded())
        m_library.unload();
}

QFunctionPointer RosterLibrary::entry(const char* name, bool loadIfNeeded)
{
    if (!m_library.isLoaded() && (!loadIfNeeded || !m_library.load()))
        return nullptr;
    return m_library.resolve(name);
}

bool RosterLibrary::DataBaseShow(int32_t language)
{
    const auto f = reinterpret_cast<LanguageEntry>(entry("_DataBaseShow", true));
    return f && f(language) != 0;
}

bool RosterLibrary::AddUser(int32_t language)
{
    const auto f = reinterpret_cast<LanguageEntry>(entry("_AddUser", true));
    return f && f(language) != 0;
}

bool RosterLibrary::ShowFormUser(int32_t language, const QString& fam, const QString& im,
                                 const QString& otch)
{
    const auto f = reinterpret_cast<ShowUserEntry>(entry("_ShowFormUser", true));
    if (!f)
        return false;
    const QByteArray a = fam.toUtf8(), b = im.toUtf8(), c = otch.toUtf8();
    return f(language, a.constData(), b.constData(), c.constData()) != 0;
}

bool RosterLibrary::RefreshDataBase()
{
    const auto f = reinterpret_cast<NoArgEntry>(entry("_RefreshDataBase", false));
    return f && f() != 0;
}

} // namespace qz
