#include "tray/link/LibraryLink.h"

namespace qz {

namespace {

void QZ_IRDA_CALL appendName(void* context, const char* name)
{
    if (context && name)
        static_cast<QStringList*>(context)->append(QString::fromLatin1(name));
}

} // namespace

LibraryLink::LibraryLink(const QString& path) : m_library(path)
{
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return;
    }
    auto init = reinterpret_cast<InitIrDAExFn>(m_library.resolve("InitIrDAEx"));
    auto find = reinterpret_cast<FindDeviceExFn>(m_library.resolve("FindDeviceEx"));
    auto connect = reinterpret_cast<ConnectDevIrDAExFn>(m_library.resolve("ConnectDevIrDAEx"));
    auto trans = reinterpret_cast<TransDataIrDAExFn>(m_library.resolve("TransDataIrDAEx"));
    auto close = reinterpret_cast<CloseIrDAExFn>(m_library.resolve("CloseIrDAEx"));
    if (!init || !find || !connect || !trans || !close) {
        m_error = QStringLiteral("%1: one of the five link functions is missing")
                      .arg(m_library.fileName());
        m_library.unload();
        return;
    }
    m_init = init;
    m_find = find;
    m_connect = connect;
    m_trans = trans;
    m_close = close;
}

LibraryLink::~LibraryLink()
{
    if (m_library.isLoaded())
        m_library.unload();
}

bool LibraryLink::InitIrDAEx()
{
    return m_init && m_init() != 0;
}

bool LibraryLink::FindDeviceEx(QStringList& devList)
{
    devList.clear();
    if (!m_find)
        return false;
    return m_find(&appendName, &devList) != 0;
}

bool LibraryLink::ConnectDevIrDAEx(int32_t index)
{
    return m_connect && m_connect(index) != 0;
}

bool LibraryLink::TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                                  int32_t& answerLength)
{
    if (!m_trans || !buffer || capacity <= 0 || requestLength < 0 || requestLength > capacity)
        return false;
    int32_t length = answerLength;
    const bool ok = m_trans(buffer, capacity, requestLength, &length) != 0;
    // A library that reports more than the buffer holds would make us read past it.
    if (length < 0 || length > capacity)
        return false;
    answerLength = length;
    return ok;
}

void LibraryLink::CloseIrDAEx()
{
    if (m_close)
        m_close();
}

} // namespace qz
