#pragma once

#include "tray/history/HistoryLineThread.h"

#include <QStringList>

namespace qz {

// What the device session and the database writer need of the history window. The window
// implements it; tests of the session use a window-free stand-in.
class HistoryWindowApi : public HistoryLineSink {
public:
    // Empties the text before a new instrument's card is written.
    virtual void clearText() = 0;
    // The lines of the text, in order, without line ends.
    virtual QStringList lines() const = 0;
    // The selection in characters of the whole text (line ends count as one character).
    virtual int selectionStart() const = 0;
    virtual int selectionLength() const = 0;
    // The window holds a history that was neither saved to a file nor stored.
    virtual bool unsavedHistory() const = 0;
    virtual void setUnsavedHistory(bool unsaved) = 0;
    // Shows the window modally; returns when the operator has closed it.
    virtual void showModal() = 0;
};

} // namespace qz
