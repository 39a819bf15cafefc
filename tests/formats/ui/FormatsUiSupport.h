#pragma once
// Shared pieces of the formats window tests.
#include <QApplication>
#include <QTimer>

#include <functional>

// Creates the process's QApplication once (offscreen in the test environment).
void EnsureQtApplication();

// Runs `step` from the event loop every few milliseconds until it returns
// true; used to act inside a modal window while the test waits in exec().
class StepRunner {
public:
    explicit StepRunner(std::function<bool()> step);
    int StepsRun() const { return count_; }

private:
    QTimer timer_;
    std::function<bool()> step_;
    int count_ = 0;
};
