#include "MessageBoxes.h"
#include "FramedCentring.h"
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

// The window the boxes belong to: the active one, else the first shown
// top-level window that is no dialog (the main window). Window managers
// keep a box with its owner (minimised, restored and stacked together)
// and offer it no buttons of its own beyond closing.
QWidget* MessageOwner() {
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowType() == Qt::Window) {
            return window;
        }
    }
    return nullptr;
}

QScreen* ScreenForMessages(QWidget* owner) {
    if (owner != nullptr && owner->screen() != nullptr) {
        return owner->screen();
    }
    return QGuiApplication::primaryScreen();
}

// The box of ShowModalMessage: centred on the screen, frame included,
// once its size is final and again once the window manager has framed it.
class TModalMessageBox : public QDialog {
public:
    TModalMessageBox(QWidget* owner, QRect screen)
        : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
          centring_(new TFramedCentring(this, [screen](QSize outer) {
              return screen.center() - QPoint(outer.width() / 2, outer.height() / 2);
          })) {}

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        centring_->Start();
    }

private:
    TFramedCentring* centring_;
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

    QWidget* owner = MessageOwner();
    QScreen* screen = ScreenForMessages(owner);
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    TModalMessageBox box(owner, screenRect);
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

    // Application-modal; a dialog of the main window, so that window
    // managers keep the two together.
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, MessageOwner());
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
