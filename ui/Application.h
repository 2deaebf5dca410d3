#pragma once
// The application object: every exception that escapes an event handler
// is shown by ReportUncaughtError and the event loop goes on.
#include <QAbstractButton>
#include <QApplication>

#include <functional>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs a handler; an exception that escapes it goes to ReportUncaughtError.
void RunHandler(const std::function<void()>& handler);

// Binds a button's click to a handler run through RunHandler, so an error
// never unwinds through the toolkit's own click code.
void BindClick(QAbstractButton* button, std::function<void()> handler);
