#pragma once

#include <QObject>

class QSocketNotifier;

namespace qz {

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so that a program
// ended by the system or the session goes down the same way as through its exit command.
// install() may be called before the application object exists: a signal that arrives
// before the watcher is created waits in the pipe and is delivered then.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    // Sets up the pipe and the handlers; false when that failed (the signals then keep their
    // default action).
    static bool install();

    explicit SignalWatcher(QObject* parent = nullptr);

signals:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace qz
