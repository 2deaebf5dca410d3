#pragma once
// Helpers shared by the main-window tests: tiny bitmap files, waiting for a
// condition, and a way to answer a modal window from inside its own event
// loop.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRgb>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "bmp24_file.h"

// Set in the environment of a child started by PassesInChild; without it
// the tests named *InChild are left out (see main.cpp).
inline constexpr const char* kChildTestVariable = "CITRA_UI_TEST_CHILD";

namespace ui_fixtures {

using ::WriteBmp24;

// Runs the event loop until `done()` holds, at most `timeoutMs`; whether it
// holds. For ASSERT_TRUE / EXPECT_TRUE: a loaded machine gets the time it
// needs, an idle one none beyond the condition.
template <class Condition>
bool WaitUntil(Condition done, int timeoutMs = 5000) {
    return QTest::qWaitFor(done, timeoutMs);
}

// Runs the test `name` (Suite.Test, named *InChild) of this program in a
// child process whose environment is this one's with `set` added and
// `unset` removed: for what a process reads once, such as its locale.
inline ::testing::AssertionResult PassesInChild(const QString& name, const QProcessEnvironment& set,
                                                const QStringList& unset = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : unset) env.remove(variable);
    for (const QString& variable : set.keys()) env.insert(variable, set.value(variable));
    env.insert(QString::fromLatin1(kChildTestVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + name});
    if (!child.waitForFinished(60000)) return ::testing::AssertionFailure() << "the child did not end";
    const std::string output = QString::fromUtf8(child.readAll()).toStdString();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return ::testing::AssertionFailure() << "exit " << child.exitCode() << ":\n" << output;
    if (output.find("[  PASSED  ] 1 test") == std::string::npos || output.find("SKIPPED") != std::string::npos)
        return ::testing::AssertionFailure() << "the test did not run and pass:\n" << output;
    return ::testing::AssertionSuccess();
}

// Waits, inside the modal loop about to start, for a modal widget to be
// active and hands it to `answer`. Should the answer leave that window
// open, it is closed after a while and LeftOpen() tells, so a failing test
// ends instead of hanging.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
    }
    bool Answered() const { return answered_; }
    bool LeftOpen() const { return leftOpen_; }

private:
    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!answered_) {
            if (modal != nullptr) {
                answered_ = true;
                answeredWidget_ = modal;
                answer_(modal);
            }
            return;
        }
        if (modal == nullptr || modal != answeredWidget_) {
            timer_.stop();
        } else if (++ticksOpen_ > 300) {
            leftOpen_ = true;
            timer_.stop();
            modal->close();
        }
    }

    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    bool answered_ = false;
    bool leftOpen_ = false;
    int ticksOpen_ = 0;
    QWidget* answeredWidget_ = nullptr;
};

}  // namespace ui_fixtures

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
