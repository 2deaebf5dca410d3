#include "StartShow.h"

TStartShow StartShowFromArguments(const QStringList& arguments) {
    TStartShow request = TStartShow::Normal;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--maximized")) {
            request = TStartShow::Maximised;
        } else if (argument == QLatin1String("--minimized") || argument == QLatin1String("-iconic")) {
            request = TStartShow::Minimised;
        }
    }
    return request;
}

void ShowAtStart(QWidget* window, TStartShow request) {
    switch (request) {
        case TStartShow::Normal:
            window->show();
            break;
        case TStartShow::Maximised:
            window->showMaximized();
            break;
        case TStartShow::Minimised:
            window->setAttribute(Qt::WA_ShowWithoutActivating);
            window->showMinimized();
            break;
    }
}
