#include "MessageBoxes.h"
#include "Texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

MessageHook& ModalMessageHook() {
    static MessageHook hook;
    return hook;
}

MessageHook& UncaughtErrorHook() {
    static MessageHook hook;
    return hook;
}

QScreen* ScreenForMessages() {
    if (QWidget* active = QApplication::activeWindow()) {
        if (QScreen* screen = active->screen()) {
            return screen;
        }
    }
    return QGuiApplication::primaryScreen();
}

// The box of ShowModalMessage: centred on the screen, frame included,
// once its size is final.
class TModalMessageBox : public QDialog {
public:
    TModalMessageBox(QWidget* parent, QRect screen)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
          screen_(screen) {}

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        const QSize outer = frameGeometry().size();
        move(screen_.center() - QPoint(outer.width() / 2, outer.height() / 2));
    }

private:
    QRect screen_;
};

}  // namespace

QString ApplicationTitleFromPath(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        name.truncate(dot);
    }
    if (name.size() > 1) {
        name = name.left(1) + name.mid(1).toLower();
    }
    return name;
}

QString ApplicationTitle() {
    return ApplicationTitleFromPath(QCoreApplication::applicationFilePath());
}

std::string WithFinalFullStop(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + '.';
    }
    return message;
}

void SetModalMessageHook(MessageHook hook) {
    ModalMessageHook() = std::move(hook);
}

void SetUncaughtErrorHook(MessageHook hook) {
    UncaughtErrorHook() = std::move(hook);
}

void ShowModalMessage(const QString& text) {
    if (ModalMessageHook()) {
        ModalMessageHook()(text);
        return;
    }

    QScreen* screen = ScreenForMessages();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    TModalMessageBox box(QApplication::activeWindow(), screenRect);
    box.setObjectName(QStringLiteral("ModalMessage"));
    box.setWindowTitle(ApplicationTitle());
    QPixmap noIcon(16, 16);  // a blank icon: the box has none of its own
    noIcon.fill(Qt::transparent);
    box.setWindowIcon(QIcon(noIcon));
    box.setModal(true);

    // The text wraps at word boundaries into lines at most half the screen wide.
    auto* label = new QLabel(text, &box);
    label->setObjectName(QStringLiteral("MessageText"));
    label->setFont(QApplication::font("QMessageBoxLabel"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    const int maxWidth = screenRect.width() / 2;
    const QRect needed = QFontMetrics(label->font())
                             .boundingRect(QRect(0, 0, maxWidth, 1 << 20), Qt::TextWordWrap, text);
    const int labelWidth = std::min(maxWidth, std::max(needed.width(), 1));
    label->setFixedWidth(labelWidth);
    label->setFixedHeight(std::max(label->heightForWidth(labelWidth), label->fontMetrics().height()));

    auto* ok = new QPushButton(text::kOk, &box);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);  // Esc and the close button reject

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(&box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(14);
    layout->addWidget(label);
    layout->addLayout(buttons);

    box.adjustSize();
    ok->setFocus();
    box.exec();
}

void ReportUncaughtError(const std::exception& error) {
    ReportUncaughtError(std::string(error.what()));
}

void ReportUncaughtError(const std::string& message) {
    const QString text = QString::fromStdString(WithFinalFullStop(message));
    if (UncaughtErrorHook()) {
        UncaughtErrorHook()(text);
        return;
    }

    QPointer<QWidget> activeWindow = QApplication::activeWindow();
    QPointer<QWidget> focused = QApplication::focusWidget();

    // Owned by the application: no parent window, application-modal.
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("UncaughtError"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();

    if (activeWindow) {
        activeWindow->activateWindow();
    }
    if (focused && focused->isEnabled() && focused->isVisible()) {
        focused->setFocus(Qt::OtherFocusReason);
    }
}
