#pragma once

#include "common/platform/Progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace qz {

class Clock;
class LangTable;

// The progress window of the instrument and database work: a borderless 481 x 51 strip,
// always on top, with a label over the bar. Its tag chooses the label when it opens: 0 reading
// from the instrument (line 88), 1 storing in the database (line 102), anything else keeps
// the label as it was.
class TFormProgress : public QDialog, public Progress {
    Q_OBJECT
public:
    TFormProgress(const LangTable& lang, Clock& clock, QWidget* parent = nullptr);

    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }

    void ProgressShow(int maximum, int step) override;
    void ProgressStep() override;
    void ProgressDone() override;

    QLabel* lblReadHist = nullptr;
    QProgressBar* pbProgress = nullptr;
    int step() const { return m_step; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void stepIt();

    const LangTable& m_lang;
    Clock& m_clock;
    int m_tag = 0;
    int m_step = 1;
};

} // namespace qz
