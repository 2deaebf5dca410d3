#pragma once
// The program's two message boxes and the title they carry.
#include <QString>

#include <exception>
#include <functional>
#include <string>

// The title taken from an executable's path: the file name without its
// folder, cut before its first '.', the first character kept and the rest
// in lower case ("QUALITY.EXE" -> "Quality").
QString ApplicationTitleFromPath(const QString& executablePath);

// ApplicationTitleFromPath of this program's own executable.
QString ApplicationTitle();

// A non-empty message whose last character's code is above '.' (46) gets a
// full stop appended; any other message is returned as it is.
std::string WithFinalFullStop(const std::string& message);

// The commands' message box: the text, one "OK", modal; returns when closed.
void ShowModalMessage(const QString& text);

// The display of an error that escaped a handler: a stop-icon box with the
// message (full stop rule applied); then activation and focus go back.
void ReportUncaughtError(const std::exception& error);
void ReportUncaughtError(const std::string& message);

// Test seams. While a hook is set it receives the text that would be shown
// and no box is opened; an empty function restores the real boxes.
using MessageHook = std::function<void(const QString& text)>;
void SetModalMessageHook(MessageHook hook);
void SetUncaughtErrorHook(MessageHook hook);  // receives the text after the full-stop rule
