#pragma once
// How the main window is first shown: as it is, maximised, or minimised
// without taking the focus, as the one who started the program asked.
#include <QStringList>
#include <QWidget>

enum class TStartShow { Normal, Maximised, Minimised };

// The request among the program's arguments (after the toolkit has taken
// its own): "--maximized" or "--minimized", and X's "-iconic" for the
// latter. The last request wins; other arguments are left alone.
TStartShow StartShowFromArguments(const QStringList& arguments);

// Shows the window as requested.
void ShowAtStart(QWidget* window, TStartShow request);
