#include "UMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <string>

#include "Application.h"
#include "DesignFont.h"
#include "MessageBoxes.h"
#include "Texts.h"
#include "UnitHist.h"
#include "WindowPlacement.h"
#include "X11IconName.h"
#include "decimal_separator.h"
#include "metrics.h"
#include "picture.h"

TForm1* Form1 = nullptr;
TFormHist* FormHist2 = nullptr;

namespace {

constexpr int kClientWidth = 749;
constexpr int kClientHeight = 660;
constexpr int kStatusBarHeight = 19;
// How long a size given by the frame stands before it is taken back (ms).
constexpr int kSizeGuardDelay = 250;

qreal ScreenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

// The quit request: queued, so the caller runs to its end first.
void RequestQuit() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

// A path as the core's file functions take it: in the file system's encoding.
std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// "W x H pixels"
QString PixelDimensions(int32_t width, int32_t height) {
    return QString::number(width) + text::kDimensionsSeparator + QString::number(height) + text::kPixelsSuffix;
}

QString TrueColourStatus(int32_t width, int32_t height) {
    return text::kTrueColourPrefix + PixelDimensions(width, height) + text::kTrueColourSuffix;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      lineHeight_(WindowFontLineHeight(ScreenDotsPerInch())) {
    setWindowTitle(text::kMainTitle);
    setWindowIconText(ApplicationTitle());  // the taskbar entry's text; the caption stays
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    CreateControls();
    SetTabOrder();
    NameForScreenReaders();
    BindHandlers();
    ApplySizeLimits();
    focusTracking_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { NoteFocus(now); });
    sizeGuard_.setSingleShot(true);
    sizeGuard_.setInterval(kSizeGuardDelay);
    connect(&sizeGuard_, &QTimer::timeout, this, &TForm1::KeepDesignedSize);
    placement_ = new TFramedCentring(this, [](QSize outer) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        return primary->geometry().topLeft() + CentredOffset(primary->virtualGeometry().size(), outer);
    });
}

TForm1::~TForm1() {
    // The base class still moves the focus away while it is destroyed.
    disconnect(focusTracking_);
    // The histogram windows go with the workspace.
    if (FormHist != nullptr && workspace_->isAncestorOf(FormHist)) FormHist = nullptr;
    if (FormHist2 != nullptr && workspace_->isAncestorOf(FormHist2)) FormHist2 = nullptr;
}

int TForm1::Scaled(int designed) const {
    return ScaleLength(designed, lineHeight_);
}

QSize TForm1::DesignedClientSize() const {
    return {Scaled(kClientWidth), Scaled(kClientHeight)};
}

void TForm1::Place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

void TForm1::PlaceOnWorkspace(QWidget* control, int left, int top, int width, int height) {
    workspace_->PlaceOnBackground(control, QPoint(Scaled(left), Scaled(top)), QSize(Scaled(width), Scaled(height)));
}

void TForm1::CreateControls() {
    // The window font; a stand-in family is narrowed until the captions
    // of the window-font labels keep their designed widths.
    const QList<FittedCaption> windowCaptions = {
        {text::kOriginalFileLabel, Scaled(125)},
        {text::kManipulatedFileLabel, Scaled(125)},
        {text::kFileSizeLabel, Scaled(84)},
        {text::kDimensionsLabel, Scaled(84)},
        {text::kMseLabel, Scaled(172)},
        {text::kPsnrLabel, Scaled(172)},
        {text::kDecibels, Scaled(13)},
    };
    setFont(DesignFont(WindowFontPixelSize(ScreenDotsPerInch()), windowCaptions));
    resize(DesignedClientSize());

    // The workspace lies under everything and fills the client area above
    // the status bar; the labels and image areas are drawn on it.
    workspace_ = new TWorkspace(this);
    workspace_->setObjectName(QStringLiteral("Workspace"));
    workspace_->setGeometry(0, 0, Scaled(kClientWidth), Scaled(kClientHeight - kStatusBarHeight));
    workspace_->lower();

    Label1 = new TLabel(text::kHeading);
    Label1->setFont(DesignFont(Scaled(24), {{Label1->text(), Scaled(411)}}));
    PlaceOnWorkspace(Label1, 184, 0, 411, 29);
    Label2 = new TLabel(text::kSubheading);
    Label2->setFont(DesignFont(Scaled(16), {{Label2->text(), Scaled(228)}}));
    PlaceOnWorkspace(Label2, 280, 32, 228, 20);
    Label3 = new TLabel(text::kOriginalFileLabel);
    PlaceOnWorkspace(Label3, 16, 72, 125, 13);
    Label4 = new TLabel(text::kManipulatedFileLabel);
    PlaceOnWorkspace(Label4, 16, 112, 125, 13);
    Image1 = new TImageArea;
    PlaceOnWorkspace(Image1, 504, 80, 217, 137);
    Image2 = new TImageArea;
    PlaceOnWorkspace(Image2, 504, 272, 217, 137);
    Label11 = new TLabel(QString());
    PlaceOnWorkspace(Label11, 504, 64, 3, 13);
    Label13 = new TLabel(QString());
    PlaceOnWorkspace(Label13, 504, 256, 3, 13);

    // Edit boxes, buttons and group boxes stand in front of the workspace
    // and of its child windows.
    Edit1 = new QLineEdit(this);
    Place(Edit1, 144, 72, 265, 21);
    Edit2 = new QLineEdit(this);
    Place(Edit2, 144, 112, 265, 21);
    Button1 = new QPushButton(text::kOpenOriginal, this);
    Place(Button1, 424, 72, 65, 25);
    Button2 = new QPushButton(text::kOpenManipulated, this);
    Place(Button2, 424, 112, 65, 25);
    Button2->setEnabled(false);

    GroupBox1 = new QGroupBox(text::kInfoGroup, this);
    Place(GroupBox1, 144, 144, 265, 105);
    Label5 = new TLabel(text::kFileSizeLabel, GroupBox1);
    Place(Label5, 24, 32, 84, 13);
    Label6 = new TLabel(text::kDimensionsLabel, GroupBox1);
    Place(Label6, 24, 64, 84, 13);
    Label7 = new TLabel(QString(), GroupBox1);
    Place(Label7, 120, 32, 3, 13);
    Label8 = new TLabel(QString(), GroupBox1);
    Place(Label8, 120, 64, 3, 13);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    {
        // The system's status-bar font, not the window font.
        const QFont system = QApplication::font("QStatusBar");
        QFont font(system.family());
        font.setPointSizeF(system.pointSizeF());
        StatusBar1->setFont(font);
    }
    Place(StatusBar1, 0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);

    Button3 = new QPushButton(text::kAnalyse, this);
    Place(Button3, 144, 264, 75, 25);
    Button3->setEnabled(false);
    Button4 = new QPushButton(text::kReset, this);
    Place(Button4, 240, 264, 75, 25);
    Button5 = new QPushButton(text::kExit, this);
    Place(Button5, 336, 264, 75, 25);

    GroupBox2 = new QGroupBox(text::kResultsGroup, this);
    Place(GroupBox2, 16, 304, 393, 105);
    Label9 = new TLabel(text::kMseLabel, GroupBox2);
    Place(Label9, 24, 32, 172, 13);
    Label10 = new TLabel(text::kPsnrLabel, GroupBox2);
    Place(Label10, 24, 64, 172, 13);
    Label15 = new TLabel(text::kDecibels, GroupBox2);
    Place(Label15, 352, 64, 13, 13);
    Edit3 = new QLineEdit(GroupBox2);
    Place(Edit3, 224, 32, 113, 21);
    Edit4 = new QLineEdit(GroupBox2);
    Place(Edit4, 224, 64, 113, 21);

    OpenPictureDialog1 = new TOpenPictureDialog(this);
    OpenPictureDialog2 = new TOpenPictureDialog(this);

    const struct {
        QWidget* control;
        const char* name;
    } names[] = {
        {Label1, "Label1"}, {Label2, "Label2"}, {Label3, "Label3"}, {Label4, "Label4"},
        {Edit1, "Edit1"}, {Edit2, "Edit2"}, {Button1, "Button1"}, {Button2, "Button2"},
        {Image1, "Image1"}, {Image2, "Image2"}, {GroupBox1, "GroupBox1"}, {Label5, "Label5"},
        {Label6, "Label6"}, {Label7, "Label7"}, {Label8, "Label8"}, {Button3, "Button3"},
        {Button4, "Button4"}, {Button5, "Button5"}, {GroupBox2, "GroupBox2"}, {Label9, "Label9"},
        {Label10, "Label10"}, {Edit3, "Edit3"}, {Edit4, "Edit4"}, {Label11, "Label11"},
        {Label13, "Label13"}, {Label15, "Label15"},
    };
    for (const auto& entry : names) {
        entry.control->setObjectName(QString::fromLatin1(entry.name));
    }
    OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
    OpenPictureDialog2->setObjectName(QStringLiteral("OpenPictureDialog2"));

    for (QGroupBox* box : {GroupBox1, GroupBox2}) {
        box->setBackgroundRole(QPalette::Button);
        box->setAutoFillBackground(true);  // opaque over the child windows
        box->setFocusPolicy(Qt::NoFocus);
    }
    for (TLabel* label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10, Label11,
                          Label13, Label15}) {
        label->AutoSize();
    }
}

void TForm1::SetTabOrder() {
    QWidget* const order[] = {Edit1, Edit2, Button1, Button2, Button3, Button4, Button5, Edit3, Edit4};
    for (size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
    // No button is a default one (that would change how it is drawn); Return
    // and Enter press the focused button through the event filter instead.
    for (QPushButton* button : {Button1, Button2, Button3, Button4, Button5}) {
        button->setAutoDefault(false);
        button->installEventFilter(this);
    }
    // Alt with a letter is an accelerator key, never text for an edit box,
    // also when its button is disabled.
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4}) {
        edit->installEventFilter(this);
    }
}

void TForm1::NameForScreenReaders() {
    // The caption of the label beside each control, without the spaces and
    // colon that line the captions up; the visible texts stay as they are.
    const auto caption = [](const QLabel* label) {
        QString text = label->text();
        while (!text.isEmpty() && (text.back() == QLatin1Char(':') || text.back().isSpace())) text.chop(1);
        return text;
    };
    const std::pair<QWidget*, const QLabel*> pairs[] = {
        {Edit1, Label3}, {Edit2, Label4}, {Edit3, Label9}, {Edit4, Label10}, {Label7, Label5}, {Label8, Label6},
    };
    for (const auto& [control, label] : pairs) control->setAccessibleName(caption(label));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QPushButton*>(watched);
        const bool enterKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (button != nullptr && enterKey && modifiers == Qt::NoModifier) {
            // Held down, the key presses the button once.
            if (!key->isAutoRepeat() && button->isEnabled()) button->click();
            return true;
        }
        if (button == nullptr && key->modifiers() == Qt::AltModifier && !key->text().isEmpty()) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::BindHandlers() {
    BindClick(Button1, [this] { Button1Click(Button1); });
    BindClick(Button2, [this] { Button2Click(Button2); });
    BindClick(Button3, [this] { Button3Click(Button3); });
    BindClick(Button4, [this] { Button4Click(Button4); });
    BindClick(Button5, [this] { Button5Click(Button5); });
}

void TForm1::NoteFocus(QWidget* now) {
    // Controls inside the workspace's child windows belong to those windows.
    if (now != nullptr && now != this && isAncestorOf(now) && !workspace_->isAncestorOf(now)) {
        lastFocused_ = now;
    }
}

void TForm1::FocusWindow() {
    activateWindow();
    if (lastFocused_ && lastFocused_->isVisible() && lastFocused_->isEnabled()) {
        lastFocused_->setFocus(Qt::OtherFocusReason);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
}

void TForm1::Button1Click(QObject*) {
    if (OpenPictureDialog1->Execute() && !OpenOriginal(OpenPictureDialog1->FileName())) return;
    ShowOriginalHistogram();
}

bool TForm1::OpenOriginal(const QString& path) {
    const std::string file = FileSystemPath(path);
    ::Picture& picture = Image1->picture();
    LoadPicture(picture, file);
    Edit1->setText(path);
    Label11->setText(text::kOriginalCaption);
    if (const auto refusal = PairRefusal(PairStep::Original, ShapeOf(AsBitmap(picture)), {})) {
        ShowModalMessage(QString::fromStdString(*refusal));
        return false;
    }
    const int64_t size = MeasureFileSize(file);
    StatusBar1->setText(TrueColourStatus(picture.Width(), picture.Height()));
    Label7->setText(QString::number(size) + text::kBytesSuffix);
    Label8->setText(PixelDimensions(picture.Width(), picture.Height()));
    return true;
}

void TForm1::ShowOriginalHistogram() {
    Button2->setEnabled(true);
    if (FormHist == nullptr) FormHist = new TFormHist(workspace_);
    // Below the results group, every time.
    FormHist->SetTop(GroupBox2->y() + GroupBox2->height() + 15);
    FormHist->SetLeft(GroupBox2->x());
    FormHist->SourcePicture = &Image1->picture();
    FormHist->MenghitungHistogram();
    FormHist->Repaint();
    FocusWindow();
    FormHist->SetWindowStateNormal();  // only acts when minimised
}

void TForm1::Button2Click(QObject*) {
    if (OpenPictureDialog2->Execute()) {
        const QString path = OpenPictureDialog2->FileName();
        ::Picture& picture = Image2->picture();
        LoadPicture(picture, FileSystemPath(path));
        Edit2->setText(path);
        Label13->setText(text::kManipulatedCaption);
        const ::Picture& original = Image1->picture();
        const BitmapShape shape = ShapeOf(AsBitmap(picture));
        const auto refusal = PairRefusal(PairStep::Manipulated, ShapeOf(original), shape);
        // Refused for its depth: the picture stays; for its size: cleared.
        if (refusal && shape.bitsPerPixel != 24) {
            ShowModalMessage(QString::fromStdString(*refusal));
            return;
        }
        if (refusal) {
            ShowModalMessage(QString::fromStdString(*refusal));
            ClearPicture(picture);
            Label13->setText(QString());
            Edit2->setText(QString());
            Edit2->setFocus(Qt::OtherFocusReason);
            return;
        }
        StatusBar1->setText(TrueColourStatus(picture.Width(), picture.Height()));
    }

    if (FormHist2 == nullptr) FormHist2 = new TFormHist(workspace_);
    FormHist2->setWindowTitle(text::kManipulatedHistogramTitle);
    // Beside the first histogram window, wherever that stands now ("B&uka"
    // is enabled only by "&Buka", which creates it).
    if (FormHist != nullptr) {
        FormHist2->SetTop(FormHist->Top());
        FormHist2->SetLeft(FormHist->Left() + FormHist->OuterWidth() + 30);
    }
    FormHist2->SourcePicture = &Image2->picture();
    FormHist2->MenghitungHistogram();
    FormHist2->Repaint();
    FocusWindow();
    FormHist2->SetWindowStateNormal();  // only acts when minimised
    Button3->setEnabled(true);
}

void TForm1::Button3Click(QObject*) {
    const Bitmap& original = AsBitmap(Image1->picture());
    const Bitmap& manipulated = AsBitmap(Image2->picture());
    // A cancelled dialog, a refused picture left in place or a new original
    // can leave a pair that cannot be compared: say why, change nothing.
    if (const std::optional<std::string> refusal = PairRefusal(original, manipulated)) {
        ShowModalMessage(QString::fromStdString(*refusal));
        return;
    }
    // Both results first, so an error leaves both texts as they were.
    const QualityMetrics metrics = ComputeQualityMetrics(original, manipulated);
    const std::string separator = UserDecimalSeparator();
    const QString mse = QString::fromStdString(FormatMetric(metrics.MSE, separator));
    const QString psnr = QString::fromStdString(FormatMetric(metrics.PSNR, separator));
    Edit3->setText(mse);
    Edit4->setText(psnr);
}

void TForm1::Button4Click(QObject*) {
    Edit1->setText(QString());
    Edit2->setText(QString());
    Label7->setText(QString());
    Label8->setText(QString());
    Edit3->setText(QString());
    Edit4->setText(QString());
    Label11->setText(QString());
    Label13->setText(QString());

    ClearPicture(Image1->picture());
    ClearPicture(Image2->picture());

    // Closing minimises; a window not created yet stays uncreated.
    if (FormHist != nullptr) FormHist->Close();
    if (FormHist2 != nullptr) FormHist2->Close();

    StatusBar1->setText(QString());
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    Edit1->setFocus(Qt::OtherFocusReason);
}

void TForm1::Button5Click(QObject*) {
    RequestQuit();
}

void TForm1::ApplySizeLimits() {
    // A window manager offers maximising only to a window whose size may
    // change, so the hints allow growing past the designed size; the user
    // still cannot resize the normal window (KeepDesignedSize).
    setMinimumSize(DesignedClientSize());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

bool TForm1::InNormalState() const {
    return !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
}

void TForm1::KeepDesignedSize() {
    if (InNormalState() && size() != DesignedClientSize()) {
        resize(DesignedClientSize());
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (workspace_ == nullptr || StatusBar1 == nullptr) {
        return;
    }
    // The status bar keeps to the bottom edge and the workspace fills the
    // rest; every other control keeps its position.
    const int barHeight = Scaled(kStatusBarHeight);
    workspace_->setGeometry(0, 0, width(), height() - barHeight);
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);
    // A size the user gave the normal window by its frame is taken back.
    // Later, not now: a window manager that maximises the window may send
    // the new size before the new state.
    if (InNormalState() && size() != DesignedClientSize()) {
        sizeGuard_.start();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) {
        return;
    }
    shownOnce_ = true;
    SetX11IconName(this, windowIconText());
    // No control gets the focus at start: the window itself holds it.
    setFocus(Qt::OtherFocusReason);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && QGuiApplication::primaryScreen() != nullptr) {
        placement_->Start();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The histogram windows have no close handler of their own, so they
    // always agree; then the quit request is made as by "&Keluar".
    event->accept();
    RequestQuit();
}
