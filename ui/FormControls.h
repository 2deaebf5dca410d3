#pragma once
// Small controls of the main window: a self-sizing label, the status bar
// and the multiple-document workspace.
#include <QLabel>
#include <QList>
#include <QMdiArea>
#include <QPointer>
#include <QWidget>

// A one-line label whose width follows its text: as wide as one space when
// empty. Its left, top and height stay as placed.
class TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);  // also resizes the label to the text
    void AutoSize();

protected:
    void changeEvent(QEvent* event) override;
};

// A status bar showing one text across its whole width; no size grip.
class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

// The workspace: a multiple-document area painted in the window's colour.
// Controls placed on its background stay put while child windows scroll.
class TWorkspace : public QMdiArea {
    Q_OBJECT
public:
    explicit TWorkspace(QWidget* parent = nullptr);

    // Puts a control on the workspace background, behind every child
    // window, at a position given in the owner window's coordinates.
    void PlaceOnBackground(QWidget* control, QPoint ownerPosition, QSize size);

protected:
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* backdrop_ = nullptr;  // holds the controls drawn behind the child windows
};
