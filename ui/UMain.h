#pragma once
// The main window: file names, image details, results, the two image
// areas, the five command buttons and the workspace of the histogram
// windows.
#include <QLineEdit>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include "FormControls.h"
#include "FramedCentring.h"
#include "ImageArea.h"
#include "OpenPictureDialog.h"

class TFormHist;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    TImageArea* Image1 = nullptr;
    TImageArea* Image2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* Label7 = nullptr;
    TLabel* Label8 = nullptr;
    TOpenPictureDialog* OpenPictureDialog1 = nullptr;
    TOpenPictureDialog* OpenPictureDialog2 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TLabel* Label9 = nullptr;
    TLabel* Label10 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    TLabel* Label11 = nullptr;
    TLabel* Label13 = nullptr;
    TLabel* Label15 = nullptr;

    void Button1Click(QObject* Sender);
    // The steps of "&Buka" after its dialog: the original loaded from the
    // path (false, with the refusal shown, when it cannot be an original),
    // then its histogram computed and drawn.
    bool OpenOriginal(const QString& path);
    void ShowOriginalHistogram();
    void Button2Click(QObject* Sender);
    void Button3Click(QObject* Sender);
    void Button4Click(QObject* Sender);
    void Button5Click(QObject* Sender);

    // Gives the keyboard focus to the main window as a whole: back to the
    // control of this window that had it last, or to the window itself if
    // none had it yet.
    void FocusWindow();

    // The multiple-document workspace that holds the histogram windows.
    TWorkspace* Workspace() const { return workspace_; }

    // A designed length (pixels at 96 dots per inch) on this screen.
    int Scaled(int designed) const;
    // The window font's line height on this screen (13 at 96 dots per inch).
    int LineHeight() const { return lineHeight_; }
    // The client area's designed size on this screen.
    QSize DesignedClientSize() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void NameForScreenReaders();
    void BindHandlers();
    void Place(QWidget* control, int left, int top, int width, int height);
    void PlaceOnWorkspace(QWidget* control, int left, int top, int width, int height);
    void ApplySizeLimits();
    bool InNormalState() const;
    void KeepDesignedSize();

    int lineHeight_;
    TWorkspace* workspace_ = nullptr;
    bool shownOnce_ = false;
    void NoteFocus(QWidget* now);
    QMetaObject::Connection focusTracking_;
    QPointer<QWidget> lastFocused_;  // the last control of this window with the focus
    TFramedCentring* placement_ = nullptr;
    QTimer sizeGuard_;  // takes back a size given by the frame
};

extern TForm1* Form1;
extern TFormHist* FormHist2;
