#pragma once
// The histogram window: a child window of the main window's workspace that
// draws the red, green and blue histograms of one picture as line graphs.
#include <QMdiSubWindow>
#include <QPoint>
#include <QSize>
#include <array>
#include <cstdint>

class Picture;
class QMdiArea;
class QPainter;

class TFormHist : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 275;
    static constexpr int kClientHeight = 170;

    // Creates the window inside `workspace` with the caption "Histogram Citra
    // Asli", shows it at the workspace's next cascade position and makes it
    // the active child window. The workspace owns it from then on.
    explicit TFormHist(QMdiArea* workspace);

    // The picture whose histogram is shown; not owned. Unset: nothing drawn.
    const Picture* SourcePicture = nullptr;
    // The counts last computed from SourcePicture, and their peak.
    std::array<int32_t, 256> HistRed{};
    std::array<int32_t, 256> HistGreen{};
    std::array<int32_t, 256> HistBlue{};
    int32_t HistPeak = 0;

    // Recomputes the four histogram fields from SourcePicture (nothing when
    // it is unset). Does not repaint.
    void MenghitungHistogram();

    // Outer top-left corner in the workspace and outer width (frame
    // included). While minimised these are the normal placement, and moving
    // sets where the window reappears when restored.
    int Left() const;
    int Top() const;
    void SetLeft(int left);
    void SetTop(int top);
    int OuterWidth() const;

    // Erases the client area and paints it before returning.
    void Repaint();
    // Restores a minimised window; no effect otherwise.
    void SetWindowStateNormal();
    // Closing minimises the window inside the workspace; it is never hidden
    // or destroyed. The close box and the system menu do the same.
    void Close();

    // The 275 x 170 area that FormPaint draws on.
    QWidget* ClientArea() const { return client_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    class Client;

    void FormActivate();
    void FormPaint(QPainter& painter, int width, int height) const;

    QWidget* client_ = nullptr;
    // Top-left while in the normal state; kept while minimised.
    QPoint normalPos_;
    QSize normalSize_;
    bool minimised_ = false;
};

extern TFormHist* FormHist;
