#pragma once

namespace qz {

// The progress window as the device and database work sees it. The tray shell implements
// it with its progress window; work run without windows (tests, the command-line tool)
// uses NullProgress.
class Progress {
public:
    virtual ~Progress() = default;
    // Opens the window with the range 0..maximum and the step, and steps once; nothing
    // when it is already shown.
    virtual void ProgressShow(int maximum, int step) = 0;
    // Steps once when the window is shown.
    virtual void ProgressStep() = 0;
    // Fills the bar, closes the window.
    virtual void ProgressDone() = 0;
};

class NullProgress final : public Progress {
public:
    void ProgressShow(int, int) override {}
    void ProgressStep() override {}
    void ProgressDone() override {}
};

// Counts the calls; for tests that check where the work steps.
class CountingProgress final : public Progress {
public:
    int shows = 0;
    int steps = 0;
    int dones = 0;
    void ProgressShow(int, int) override { ++shows; }
    void ProgressStep() override { ++steps; }
    void ProgressDone() override { ++dones; }
};

} // namespace qz
