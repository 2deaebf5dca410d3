#include "PicturePreview.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "BitmapImage.h"
#include "Texts.h"

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {
    setMinimumSize(150, 150);
}

void TPreviewImage::SetPicture(const ::Picture* picture) {
    picture_ = picture;
    cache_ = QImage();
    update();
}

QRect TPreviewImage::FitRect(QSize picture, QSize frame) {
    if (picture.isEmpty() || frame.isEmpty()) {
        return {};
    }
    const QSize fitted = picture.scaled(frame, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return QRect(QPoint((frame.width() - fitted.width()) / 2, (frame.height() - fitted.height()) / 2), fitted);
}

void TPreviewImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Bitmap* bitmap = picture_ ? picture_->BitmapIfAny() : nullptr;
    if (picture_ == nullptr) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter, QString(text::kNoPicture));
        return;
    }
    if (bitmap == nullptr) {
        return;  // a picture of another kind: only its size is known
    }
    const QRect target = FitRect(QSize(bitmap->Width(), bitmap->Height()), size());
    if (target.isEmpty()) {
        return;
    }
    if (cache_.size() != target.size()) {
        cache_ = BitmapScaledImage(*bitmap, target.size());
    }
    if (!cache_.isNull()) {
        painter.drawImage(target.topLeft(), cache_);
    }
}

void TPreviewImage::mouseDoubleClickEvent(QMouseEvent*) {
    emit doubleClicked();
}

TPicturePreview::TPicturePreview(QWidget* parent) : QWidget(parent) {
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("PictureCaption"));
    button_ = new QToolButton(this);
    button_->setObjectName(QStringLiteral("PreviewButton"));
    button_->setToolTip(text::kPreview);
    button_->setText(text::kPreviewButton);
    button_->setAutoRaise(false);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    image_ = new TPreviewImage(frame);
    image_->setObjectName(QStringLiteral("PreviewImage"));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(image_);

    auto* top = new QHBoxLayout;
    top->addWidget(caption_, 1);
    top->addWidget(button_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(frame, 1);

    connect(button_, &QToolButton::clicked, this, &TPicturePreview::OpenPreviewWindow);
    connect(image_, &TPreviewImage::doubleClicked, this, [this] {
        if (loaded_) {
            OpenPreviewWindow();
        }
    });
    Clear();
}

void TPicturePreview::Clear() {
    loaded_ = false;
    ClearPicture(picture_);
    caption_->setText(text::kPictureCaption);
    button_->setEnabled(false);
    image_->SetPicture(nullptr);
}

void TPicturePreview::ShowFile(const QString& path) {
    Clear();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return;
    }
    try {
        LoadPicture(picture_, path.toStdString());
    } catch (const std::exception&) {
        return;  // not a picture the loader knows: shown as none, no error
    }
    loaded_ = true;
    caption_->setText(QString(text::kPictureSizeFormat).arg(picture_.Width()).arg(picture_.Height()));
    button_->setEnabled(true);
    image_->SetPicture(&picture_);
}

QString TPicturePreview::CaptionText() const {
    return caption_->text();
}

void TPicturePreview::OpenPreviewWindow() {
    if (!loaded_) {
        return;
    }
    QDialog window(this);
    window.setObjectName(QStringLiteral("PreviewWindow"));
    window.setWindowTitle(text::kPreview);
    window.setModal(true);
    auto* image = new TPreviewImage(&window);
    image->SetPicture(&picture_);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(image);

    // Larger than the pane, at most three quarters of the screen.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize limit = screen ? screen->availableGeometry().size() * 3 / 4 : QSize(640, 480);
    QSize wanted(picture_.Width(), picture_.Height());
    if (wanted.isEmpty()) {
        wanted = QSize(300, 300);
    }
    if (wanted.width() > limit.width() || wanted.height() > limit.height()) {
        wanted = wanted.scaled(limit, Qt::KeepAspectRatio);
    }
    wanted = wanted.expandedTo(QSize(300, 300));
    window.resize(wanted + QSize(8, 8));
    window.exec();
}
