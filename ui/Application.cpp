#include "Application.h"

#include <QStyle>
#include <QStyleFactory>

#include <exception>

#include "MessageBoxes.h"
#include "Texts.h"

namespace {

void ReportCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        ReportUncaughtError(error);
    } catch (...) {
        ReportUncaughtError(std::string(text::kUnknownError));
    }
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // What taskbars show for the program: on X11 the class of its windows
    // (WM_CLASS) comes from the application name; the desktop entry of
    // the same name gives its icon and launcher.
    setApplicationName(ApplicationTitle());
    setDesktopFileName(QStringLiteral("analisiscitra"));
    // The window layout is drawn for classic controls: sunken edit boxes,
    // group boxes with the caption set into the frame.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        setStyle(classic);
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
    }
    return false;
}

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        ReportCurrentException();
    }
}

void BindClick(QAbstractButton* button, std::function<void()> handler) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [handler = std::move(handler)] { RunHandler(handler); });
}
