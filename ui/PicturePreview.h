#pragma once
// The picture preview of the file-open dialog: a caption line, the picture
// scaled to fit, and a button that opens a larger "Preview" window.
#include <QImage>
#include <QString>
#include <QWidget>

#include "picture.h"

class QLabel;
class QToolButton;

// Paints a picture scaled to fit with its aspect ratio kept, or "(None)".
class TPreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewImage(QWidget* parent = nullptr);

    // The picture to paint, not owned; null shows "(None)".
    void SetPicture(const ::Picture* picture);
    const ::Picture* picture() const { return picture_; }
    // Where the picture lands inside a frame of the given size.
    static QRect FitRect(QSize picture, QSize frame);

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const ::Picture* picture_ = nullptr;
    QImage cache_;  // the bitmap rendered at the last painted size
};

class TPicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit TPicturePreview(QWidget* parent = nullptr);

    // Shows the file if it loads as a picture; any failure shows no picture.
    void ShowFile(const QString& path);
    void Clear();

    bool HasPicture() const { return loaded_; }
    QString CaptionText() const;
    QToolButton* PreviewButton() const { return button_; }
    TPreviewImage* Image() const { return image_; }

    // The modal "Preview" window with the picture larger; Esc closes it.
    void OpenPreviewWindow();

private:
    ::Picture picture_;
    bool loaded_ = false;
    QLabel* caption_;
    QToolButton* button_;
    TPreviewImage* image_;
};
