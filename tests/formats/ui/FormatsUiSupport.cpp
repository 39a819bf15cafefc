#include "tests/formats/ui/FormatsUiSupport.h"

void EnsureQtApplication()
{
    static int argc = 1;
    static char name[] = "FormatsUiTest";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

StepRunner::StepRunner(std::function<bool()> step) : step_(std::move(step))
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        ++count_;
        if (step_())
            timer_.stop();
    });
    timer_.start();
}
