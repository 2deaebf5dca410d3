// The desktop program: registers the picture kinds, creates the main
// window, shows it centred on the desktop (or maximised or minimised, when
// asked) and runs the event loop.
#include "AppIcon.h"
#include "Application.h"
#include "StartShow.h"
#include "UMain.h"
#include "picture.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    application.setWindowIcon(AppIcon());

    Form1 = new TForm1;
    ShowAtStart(Form1, StartShowFromArguments(QCoreApplication::arguments()));

    application.exec();
    delete Form1;  // the histogram windows go with it
    Form1 = nullptr;
    return 0;
}
